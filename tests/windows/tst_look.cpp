// Every window pixel for pixel against data/look: a margin or tick a pixel off shows. The images hold for
// one environment (Qt, fonts, drawing); elsewhere skipped, saying so. VORTANE_UPDATE_LOOK=1 rewrites them.
#include "charts/ChartImage.h"
#include "support/WindowFixture.h"
#include "windows/ChildWindow.h"
#include "windows/WindowTable.h"
#include "windows/frmGraph.h"
#include "windows/frmSplash.h"
#include "windows/widgets/Gauge.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QHBoxLayout>
#include <QPainter>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTextDocument>

namespace {

const QString Folder = QStringLiteral(VORTANE_TEST_DATA "/look");

const bool Updating = qEnvironmentVariableIntValue("VORTANE_UPDATE_LOOK") == 1;

// What the images depend on beyond our code: Qt, default font, line drawing, rich text's typewriter font.
QByteArray environment() {
    QImage text(200, 48, QImage::Format_RGB32);
    text.fill(Qt::white);
    QPainter p(&text);
    p.setFont(QApplication::font());
    p.drawText(QRect(0, 0, 200, 24), Qt::AlignCenter, QStringLiteral("Wg 0123456789 °C %"));
    QTextDocument typewriter;
    typewriter.setHtml(QStringLiteral("<tt>/Wg 0123456789</tt>"));
    p.translate(0, 24);
    typewriter.drawContents(&p);
    p.end();
    const QByteArray drawn(reinterpret_cast<const char*>(text.constBits()), text.sizeInBytes());
    return QStringLiteral("Qt %1; %2; %3\n")
        .arg(QLatin1String(qVersion()), QApplication::font().toString(),
             QLatin1String(QCryptographicHash::hash(drawn, QCryptographicHash::Sha256).toHex()))
        .toUtf8();
}

// Differing pixels and the box around them, empty when the two images are the same.
QString difference(const QImage& want, const QImage& got) {
    const auto text = [](QSize size) { return QStringLiteral("%1x%2").arg(size.width()).arg(size.height()); };
    if (want.size() != got.size())
        return QStringLiteral("size %1, not %2").arg(text(got.size()), text(want.size()));
    int count = 0;
    QRect box;
    for (int y = 0; y < got.height(); ++y)
        for (int x = 0; x < got.width(); ++x)
            if (want.pixel(x, y) != got.pixel(x, y)) ++count, box |= QRect(x, y, 1, 1);
    if (count == 0) return {};
    return QString::asprintf("%d pixels differ within %d,%d ", count, box.x(), box.y()) + text(box.size());
}

} // namespace

class TestLook : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QStringList differences_;

    void look(QWidget* w, const QString& name) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        lookAt(w->grab().toImage(), name);
    }
    void lookAt(const QImage& drawn, const QString& name) {
        const QImage got = drawn.convertToFormat(QImage::Format_RGB32);
        const QString file = Folder + u'/' + name + QStringLiteral(".png");
        QVERIFY(!Updating || got.save(file));
        if (Updating) return;
        const QImage want = QImage(file).convertToFormat(QImage::Format_RGB32);
        if (const QString d = difference(want, got); !d.isEmpty()) {
            const QString actual = QDir::current().filePath("look-" + name + ".png"); // kept to compare
            got.save(actual);
            differences_ << QStringLiteral("%1: %2 (drawn now: %3)").arg(name, d, actual);
        }
    }

private Q_SLOTS:
    void init() { differences_.clear(); }
    void cleanup() { QCOMPARE(differences_.join(u'\n'), QString()); }
    void initTestCase() {
        QApplication::setCursorFlashTime(0); // a caret that blinks would be drawn or not as the timer has it
        // Roles the default palette colours alike drawn apart: a widget painted in the wrong one shows.
        QPalette roles = QApplication::palette();
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            roles.setColor(group, QPalette::Button, QColor(0xE6, 0xE6, 0xE6)),
                roles.setColor(group, QPalette::ButtonText, QColor(0x30, 0x20, 0x20));
        QApplication::setPalette(roles);
        const QString file = Folder + QStringLiteral("/environment.txt");
        QVERIFY(!Updating || (QDir().mkpath(Folder) && writeFile(file, environment())));
        if (Updating) return;
        const QByteArray stored = fileBytes(file);
        QVERIFY2(!stored.isEmpty(), qPrintable(file + QStringLiteral(" is missing")));
        if (stored != environment())
            QSKIP(qPrintable(QStringLiteral("the images were drawn with %1this machine draws with %2")
                                 .arg(QString::fromUtf8(stored), QString::fromUtf8(environment()))));
    }

    // The main window with toolbar and status bar, then every window and tab page; readings stand still.
    void everyWindowAsDrawn() {
        MainFixture m(dir_.filePath(QStringLiteral("s.ini")));
        m.t.session->options.ReadingEnabled = false;
        Readings& r = m.t.session->readings; // read once, each channel its own value
        std::tie(r.Temperatures, r.FanSpeeds, r.DutyCycles) = std::tuple(
            std::array<std::int16_t, 11>{25, 31, -12, 40, 55, 7, 0, 99, -40, 63, 99},
            std::array<std::int32_t, 4>{1200, 3450, 0, 9870}, std::array<std::int32_t, 4>{30, 55, 0, 100});
        r.temperaturesReads = r.maxTemperatureReads = r.fanSpeedsReads = r.dutyCyclesReads = 1;
        // Four curves apart: PWM1's runs off the plot's right edge, PWM4's in from its left. Temp 3 lit.
        writeAll(m.t.chip(), {{0x49, 10}, {0x6A, 130}, {0x6E, 115}, {0x6F, 60}, {0x70, 40}, {0x71, 1}});
        m.t.session->decl.AutoControlTable[1].ShowConPoint = true; // PWM2's control point on its curve
        QVERIFY(m.window.Form_Load(m.splash));
        m.window.show(), m.t.usb().WriteRegister(0x2E, 0x7F, 1); // PWM4's pin a GPIO
        QVERIFY(QTest::qWaitForWindowActive(&m.window)); // as a user sees it: the keyboard's focus drawn
        m.window.sbPanels[1]->setText("12/7/26"), m.window.sbPanels[2]->setText("3:48:30 PM"); // drawn then
        look(&m.window, QStringLiteral("frmMain"));
        m.t.usb().SetHeater(1, 35), m.t.usb().SetHeater(2, 80); // each slider at its own level
        for (const WindowRow& row : WindowTable()) {
            const QString name = QLatin1String(row.className);
            ChildWindow* w = m.window.openWindow(name);
            m.t.clock.advance(PollingCycle::TickMs); // one tick: the window's live values
            m.polling.Tick(m.t.clock.nowMs());
            look(w->parentWidget(), name); // in its frame: the title too
            for (QTabWidget* tabs : w->findChildren<QTabWidget*>())
                for (int page = 1; page < tabs->count(); ++page) {
                    tabs->setCurrentIndex(page);
                    look(w->parentWidget(), QStringLiteral("%1-%2").arg(name).arg(page));
                }
            QWidget* frame = w->parentWidget();
            const QSize opened = frame->size(); // larger: the parts meant to grow take the room to spare
            frame->resize(opened + QSize(160, 80)), look(frame, name + QStringLiteral("-larger"));
            // Halfway to its smallest and at it, last page shown, a gauge focused: room given up as hinted.
            if (auto* g = w->findChild<Gauge*>()) g->setFocus(Qt::BacktabFocusReason);
            frame->resize((opened + frame->minimumSizeHint()) / 2), look(frame, name + "-smaller");
            frame->resize(frame->minimumSizeHint()), look(frame, name + "-least");
            w->close();
        }
    }

    // The graph window running on a minute's history: heater 1's rise, an alarm's line, both time cursors.
    void graphAsDrawn() {
        MainFixture m(dir_.filePath(QStringLiteral("g.ini")));
        SetDefaultValues(*m.t.session); // as the program starts: reading, graphing every 50 ms
        QVERIFY(m.window.Form_Load(m.splash));
        m.window.show();
        auto* w = static_cast<frmGraph*>(m.window.openWindow(QStringLiteral("frmGraph")));
        w->cmbHistory->setCurrentIndex(0), m.t.usb().SetHeater(1, 100);
        m.t.usb().WriteRegister(0x2E, 0x45, 20), runPolling(m.t.clock, m.polling, 45000);
        w->shownChart()->setCursor(0, w->history().key(100));
        w->shownChart()->setCursor(1, w->history().lastKey()), look(w->parentWidget(), "frmGraph-running");
    }

    // Gauges the windows do not show, at their hinted size: a scale off its steps, limits crossed, the needle
    // past its end; steps under 1, 0 half a step in, limits beyond both ends, no needle; the least, focused.
    void gaugesAsDrawn() {
        QWidget window;
        Gauge off(-60, 135, 25, 5), fine(-0.125, 1, 0.25, 0.05), least(0, 100, 50, 10);
        auto* row = new QHBoxLayout(&window);
        row->addWidget(&off), row->addWidget(&fine), row->addWidget(&least, 0, Qt::AlignTop);
        off.setPointer(Gauge::LowPointer, 90), off.setPointer(Gauge::HighPointer, -20), off.setNeedle(136);
        fine.setPointer(Gauge::LowPointer, -3), fine.setPointer(Gauge::HighPointer, 7);
        least.setNeedle(40), least.setPointer(Gauge::LowPointer, 20), least.setFixedSize(60, 90);
        off.setCaption("136 °C"), window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        least.setFocus(Qt::TabFocusReason), look(&window, QStringLiteral("gauges"));
    }

    // A report's charts: markers, a line through points given out of x order, a legend for two series only.
    void reportChartsAsDrawn() {
        ChartSeries measured{"measured", {{63, 9}}, false}, line{"curve", {{60, 9}, {0, 0}, {30, 2}}, true};
        for (int x = 0; x < 9; ++x)
            measured.points.emplace_back(x * 7, x % 3);
        lookAt(QImage::fromData(RenderChartPng({"Title", "x", "y", {measured, line}}, 400, 300)), "chart");
        lookAt(QImage::fromData(RenderChartPng({"One", "x", "y", {measured}}, 300, 200)), "chart-one");
    }

    // The splash halfway through start-up, centred on the screen: its progress bar, the step and the board.
    void splashAsDrawn() {
        frmSplash splash;
        splash.show();
        look(&splash, QStringLiteral("frmSplash-0")); // before start-up shows progress: no step, no bar
        splash.setProgressVisible();
        splash.setProgressWidth(static_cast<float>(splash.progressDesignWidth()) / 2);
        splash.setProgInfo(QStringLiteral("Reading the chip's registers"));
        splash.setBoardText(QStringLiteral("Simulated board"));
        splash.show();
        look(&splash, QStringLiteral("frmSplash"));
        QCOMPARE(splash.geometry().center(), QGuiApplication::primaryScreen()->availableGeometry().center());
    }
};

QTEST_MAIN(TestLook)
#include "tst_look.moc"
