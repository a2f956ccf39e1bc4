// The main window's stored place brought onto the screens there are now.
#include "session/Settings.h"

#include <QTest>

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Kept where the screens show it whole; else onto the screen that shows most of it (the primary
    // when none does), moved as little as it takes and shrunk only where it is larger.
    void placesOffTheScreensComeBackOnThem() {
        const QRect primary(0, 0, 1920, 1040), right(1920, 0, 1280, 984); // a second monitor to the right
        using Case = std::tuple<QRect, QList<QRect>, QRect>;              // window, screens, placed
        for (const auto& [window, screens, placed] :
             {Case{{100, 50, 800, 600}, {primary, right}, {100, 50, 800, 600}},
              Case{{1500, 100, 900, 600}, {primary, right}, {1500, 100, 900, 600}}, // across both
              Case{{2400, 300, 800, 600}, {primary}, {1120, 300, 800, 600}},        // second one removed
              Case{{-200, 100, 2500, 1200}, {primary}, {0, 0, 1920, 1040}},
              Case{{40, 700, 640, 480}, {primary}, {40, 560, 640, 480}},
              Case{{2800, 600, 800, 600}, {primary, right}, {2400, 384, 800, 600}}, // mostly on the second
              Case{{3000, -900, 300, 200}, {primary, right}, {1620, 0, 300, 200}}})
            QCOMPARE(FitOnScreens(window, screens), placed);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
