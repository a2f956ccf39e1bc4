#include "windows/frmGraph.h"

#include "base/Clock.h"
#include "base/Prompts.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "windows/Named.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QVBoxLayout>

// The time of day along the traces is the events' own, so a run's markers and traces share one clock.
frmGraph::frmGraph(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent), history_(HistoryChoices()[HistoryChoiceAtLoad].seconds),
      clock_(session.clock.nowMs(), session.events.wallClock().toMSecsSinceEpoch()) {
    setObjectName(QStringLiteral("frmGraph"));
    setWindowTitle(QStringLiteral("Graphing"));
    buildControls();
    Form_Load();
}

void frmGraph::buildControls() {
    const auto list = [this](const char* name, QLabel* label, const QStringList& items) {
        auto* c = Named(new QComboBox(this), name);
        c->addItems(items);
        LabelFor(label, c);
        return c;
    };

    QStringList types;
    for (const GraphType& t : GraphTypes())
        types << t.name;
    Label1 = Named(new QLabel(QStringLiteral("Select Graph Type"), this), "Label1");
    cmbGraph = list("cmbGraph", Label1, types);

    Label2 = Named(new QLabel(QStringLiteral("Update Rate(ms)"), this), "Label2");
    txtUpdate = Named(new QLineEdit(this), "txtUpdate");
    txtUpdate->setFixedWidth(64);
    LabelFor(Label2, txtUpdate);
    UpDown1 = new UpDown(txtUpdate, 10, 10000, 10, this);
    UpDown1->setNames(QStringLiteral("UpDown1"));

    QStringList spans;
    for (const HistoryChoice& c : HistoryChoices())
        spans << c.caption;
    Label3 = Named(new QLabel(QStringLiteral("History shown"), this), "Label3");
    cmbHistory = list("cmbHistory", Label3, spans);
    cmdPause = Named(new QPushButton(QStringLiteral("&Pause"), this), "cmdPause");
    cmdSavePicture = Named(new QPushButton(QStringLiteral("Save P&icture..."), this), "cmdSavePicture");
    cmdSaveData = Named(new QPushButton(QStringLiteral("Save &Data..."), this), "cmdSaveData");

    auto* chartHolder = new QWidget(this);
    charts_ = new QStackedLayout(chartHolder);
    for (std::size_t j = 0; j < stpGraph.size(); ++j) {
        stpGraph[j] = Named(new StripChart(history_, GraphTypes()[j], chartHolder), Indexed("stpGraph", j));
        stpGraph[j]->markerSource = [this](double from, double to, double minGap) {
            return ChartMarkers(session_.events.recent(), clock_, from, to, minGap);
        };
        connect(stpGraph[j], &StripChart::cursorsChanged, this, &frmGraph::showCursors);
        charts_->addWidget(stpGraph[j]);
    }
    lblCursors = Named(new QLabel(this), "lblCursors");
    lblCursors->setWordWrap(true);
    lblCursors->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* controls = new QHBoxLayout;
    controls->addWidget(Label1);
    controls->addWidget(cmbGraph);
    controls->addSpacing(16);
    controls->addWidget(Label2);
    controls->addWidget(txtUpdate);
    controls->addWidget(UpDown1);
    controls->addStretch(1);
    auto* extras = new QHBoxLayout;
    extras->addWidget(Label3);
    extras->addWidget(cmbHistory);
    extras->addSpacing(16);
    extras->addWidget(cmdPause);
    extras->addStretch(1);
    extras->addWidget(cmdSavePicture);
    extras->addWidget(cmdSaveData);
    auto* top = new QVBoxLayout(this);
    top->addLayout(controls);
    top->addLayout(extras);
    top->addWidget(chartHolder, 1);
    top->addWidget(lblCursors);

    connect(cmbGraph, &QComboBox::currentIndexChanged, this, &frmGraph::cmbGraph_Click);
    connect(txtUpdate, &QLineEdit::textChanged, this, &frmGraph::txtUpdate_Change);
    connect(cmbHistory, &QComboBox::currentIndexChanged, this, &frmGraph::cmbHistory_Click);
    connect(cmdPause, &QPushButton::clicked, this, &frmGraph::cmdPause_Click);
    connect(cmdSavePicture, &QPushButton::clicked, this, &frmGraph::cmdSavePicture_Click);
    connect(cmdSaveData, &QPushButton::clicked, this, &frmGraph::cmdSaveData_Click);
}

void frmGraph::Form_Load() {
    setDesignedSize(9360, 7740);
    cmbHistory->setCurrentIndex(HistoryChoiceAtLoad);
    cmbGraph->setCurrentIndex(GraphTypeAtLoad);
    ShowGraph(GraphTypeAtLoad);
    txtUpdate->setText(QString::number(session_.options.GraphInterval));
    pollWith(PollTask::Graph, &Declarations::GraphOpen, [this] { UpdateGraphs(); });
}

void frmGraph::cmbGraph_Click() {
    const int j = cmbGraph->findText(cmbGraph->currentText());
    if (j >= 0) ShowGraph(j);
}

void frmGraph::ShowGraph(int j) {
    const bool paused = shownChart()->paused();
    charts_->setCurrentIndex(j);
    // Pausing holds the traces of whatever chart is shown.
    for (StripChart* chart : stpGraph)
        chart->setPaused(chart == shownChart() && paused);
    showCursors();
}

void frmGraph::showCursors() {
    const StripChart* chart = shownChart();
    const QString readout =
        CursorReadout(chart->shownHistory(), chart->type().channels, chart->cursor(0), chart->cursor(1));
    lblCursors->setText(
        readout.isEmpty() ? QStringLiteral("Time cursors: click the graph, or press 1 or 2 in it") : readout);
}

StripChart* frmGraph::shownChart() const {
    return qobject_cast<StripChart*>(charts_->currentWidget());
}

void frmGraph::txtUpdate_Change() {
    const IntervalEdit edit = TypedGraphInterval(txtUpdate->text(), session_.options.GraphInterval);
    // A number the interval cannot hold stays in red until it is corrected.
    QPalette p = txtUpdate->palette();
    p.setColor(QPalette::Text, edit == IntervalEdit::Refused ? Qt::red : palette().color(QPalette::Text));
    txtUpdate->setPalette(p);
}

void frmGraph::UpdateGraphs() {
    const GraphSample values = GraphValues(session_.readings);
    history_.append(clock_.key(session_.clock.nowMs()), values);
    std::array<QString, GraphSeriesCount> captions;
    for (int s = 0; s < GraphSeriesCount; ++s)
        captions[static_cast<std::size_t>(s)] = GraphCaption(s, values[static_cast<std::size_t>(s)]);
    for (StripChart* chart : stpGraph) {
        std::size_t channel = 0;
        for (const int series : chart->type().channels)
            chart->setCaption(channel++, captions[static_cast<std::size_t>(series)]);
    }
    shownChart()->dataAppended();
}

void frmGraph::cmbHistory_Click() {
    const int k = cmbHistory->currentIndex();
    if (k < 0) return;
    history_.setSpan(HistoryChoices()[static_cast<std::size_t>(k)].seconds);
    if (shownChart()->isVisible()) shownChart()->replotNow();
}

void frmGraph::cmdPause_Click() {
    StripChart* chart = shownChart();
    chart->setPaused(!chart->paused());
    cmdPause->setText(chart->paused() ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
}

QString frmGraph::chooseFile(const QString& filter, const QString& suffix) {
    QString name = session_.prompts.saveFileName(session_.dialogFolder(), filter);
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty()) name += QLatin1Char('.') + suffix;
    return name;
}

void frmGraph::reportWriteFailure(const QString& fileName) {
    session_.prompts.message(QStringLiteral("Could not write %1").arg(QDir::toNativeSeparators(fileName)),
                             MessageIcon::Warning, MessageButtons::Ok);
}

void frmGraph::cmdSavePicture_Click() {
    const QString name = chooseFile(QStringLiteral("PNG picture (*.png)|*.png"), QStringLiteral("png"));
    if (name.isEmpty()) return;
    StripChart* chart = shownChart();
    if (!chart->paused()) chart->replotNow();
    if (!chart->savePng(name, chart->width(), chart->height())) reportWriteFailure(name);
}

void frmGraph::cmdSaveData_Click() {
    const QString name = chooseFile(QStringLiteral("CSV file (*.csv)|*.csv"), QStringLiteral("csv"));
    if (name.isEmpty()) return;
    const StripChart* chart = shownChart();
    const ValueRange shown = chart->timeRange();
    const QByteArray bytes =
        GraphCsv(chart->shownHistory(), chart->type().channels, shown.lower, shown.upper,
                 ChartMarkers(session_.events.recent(), clock_, shown.lower, shown.upper, 0));
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
        !file.flush())
        reportWriteFailure(name);
}
