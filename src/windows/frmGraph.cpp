#include "windows/frmGraph.h"

#include "base/Clock.h"
#include "base/Prompts.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QVBoxLayout>

frmGraph::frmGraph(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent), history_(HistoryChoices()[HistoryChoiceAtLoad].seconds),
      clock_(session.clock.nowMs(), QDateTime::currentMSecsSinceEpoch()) {
    setObjectName(QStringLiteral("frmGraph"));
    setWindowTitle(QStringLiteral("Graphing"));
    buildControls();
    Form_Load();
}

void frmGraph::buildControls() {
    const auto label = [this](const char* name, const QString& caption) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    const auto list = [this](const char* name, QLabel* named, const QStringList& items) {
        auto* c = new QComboBox(this);
        c->setObjectName(QLatin1String(name));
        c->addItems(items);
        c->setAccessibleName(named->text());
        c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        named->setBuddy(c);
        return c;
    };
    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };

    QStringList types;
    for (const GraphType& t : GraphTypes())
        types << t.name;
    Label1 = label("Label1", QStringLiteral("Select Graph Type"));
    cmbGraph = list("cmbGraph", Label1, types);

    Label2 = label("Label2", QStringLiteral("Update Rate(ms)"));
    txtUpdate = new QLineEdit(this);
    txtUpdate->setObjectName(QStringLiteral("txtUpdate"));
    txtUpdate->setAccessibleName(Label2->text());
    txtUpdate->setFixedWidth(64);
    Label2->setBuddy(txtUpdate);
    UpDown1 = new UpDown(txtUpdate, 10, 10000, 10, this);
    UpDown1->setNames(QStringLiteral("UpDown1"));

    QStringList spans;
    for (const HistoryChoice& c : HistoryChoices())
        spans << c.caption;
    Label3 = label("Label3", QStringLiteral("History shown"));
    cmbHistory = list("cmbHistory", Label3, spans);
    cmdPause = button("cmdPause", QStringLiteral("&Pause"));
    cmdSavePicture = button("cmdSavePicture", QStringLiteral("Save P&icture..."));
    cmdSaveData = button("cmdSaveData", QStringLiteral("Save &Data..."));

    auto* chartHolder = new QWidget(this);
    charts_ = new QStackedLayout(chartHolder);
    for (int j = 0; j < GraphTypeCount; ++j) {
        auto* chart = new StripChart(history_, GraphTypes()[static_cast<std::size_t>(j)], chartHolder);
        chart->setObjectName(QStringLiteral("stpGraph_%1").arg(j));
        charts_->addWidget(chart);
        stpGraph[static_cast<std::size_t>(j)] = chart;
    }

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

    setTabOrder(cmbGraph, txtUpdate);
    setTabOrder(txtUpdate, cmbHistory);
    setTabOrder(cmbHistory, cmdPause);
    setTabOrder(cmdPause, cmdSavePicture);
    setTabOrder(cmdSavePicture, cmdSaveData);

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
}

StripChart* frmGraph::shownChart() const {
    return stpGraph[static_cast<std::size_t>(charts_->currentIndex())];
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
    for (StripChart* chart : stpGraph)
        for (int c = 0; c < chart->channelCount(); ++c)
            chart->setCaption(
                c, captions[static_cast<std::size_t>(chart->type().channels[static_cast<std::size_t>(c)])]);
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
    const QByteArray bytes = GraphCsv(history_, chart->type().channels, shown.lower, shown.upper);
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
        !file.flush())
        reportWriteFailure(name);
}
