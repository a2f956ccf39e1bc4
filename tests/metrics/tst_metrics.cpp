// Metrics scraped off a polled simulated board: names, labels, values, absent fans left out.
#include "alarms/AlarmMonitor.h"
#include "metrics/BoardMetrics.h"
#include "metrics/MetricsServer.h"
#include "monitoring/PollingCycle.h"
#include "support/Http.h"
#include "support/Rows.h"
#include "support/SimSession.h"

#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

// The board polled as the programs poll it, the alarms once a second.
struct Polled {
    explicit Polled(SimOptions options) : t(std::move(options)) {
        t.connect();
        t.session->options.ReadingEnabled = true;
        polling.setRefresh(PollTask::Alarms, [this] { alarms.poll(); });
    }
    void run(std::int64_t ms) { runPolling(t.clock, polling, ms); }
    SimSession t;
    PollingCycle polling{*t.session};
    AlarmMonitor alarms{*t.session};
};

// The text's lines sorted: a scrape's families come in a fixed order, the samples within one in any.
QStringList sortedLines(const std::string& text) {
    QStringList lines = QString::fromStdString(text).split(u'\n', Qt::SkipEmptyParts);
    std::sort(lines.begin(), lines.end());
    return lines;
}

} // namespace

class TestMetrics : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theTextWhole() {
        Polled p({.chip = {.fanPresent = {true, true, true, false}, .noise = 0}});
        // Temperature 2 above its high limit of 20 °C; the chip reports fan 2 as not present.
        writeAll(p.t.chip(), {{0x47, 20}, {0x36, 0x02}});
        BoardMetrics metrics;
        p.t.usb().DeviceAddress = 0x2C, metrics.update(*p.t.session, &p.alarms, 1.0); // first another chip's
        const std::string before = metrics.text();
        // Nothing read yet: no reading has a sample, and no alarm is known.
        for (const char* name : {"vortane_temperature_celsius{", "vortane_fan_speed_rpm{",
                                 "vortane_fan_duty_ratio{", "vortane_max_temperature_celsius ",
                                 "vortane_alarm{", "vortane_last_reading_timestamp_seconds "})
            QVERIFY2(before.find(name) == std::string::npos, name);
        const double sentBefore = sample(before, "vortane_requests_total");
        const qsizetype firstRequest = p.t.requests().size();
        p.t.usb().DeviceAddress = 0x2E, p.alarms.poll(); // once polled, every alarm is known
        metrics.update(*p.t.session, &p.alarms, 1.0);
        QVERIFY(metrics.text().find("vortane_alarm{channel=\"NORM\"} 0") != std::string::npos);

        p.run(4000);
        // Distinct values in every slot, so a reading put under the wrong label shows.
        Readings& r = p.t.session->readings;
        r.Temperatures = {31, 32, 33, 34, 35, 36, 37, 38, 39, -40, 47};
        r.FanSpeeds = {4801, 4202, 3603, 82};
        r.DutyCycles = {12, 34, 56, 78};
        metrics.update(*p.t.session, &p.alarms, 1709644029.25);
        const std::string text = metrics.text();

        QCOMPARE(sample(text, "vortane_requests_total") - sentBefore,
                 double(p.t.requests().size() - firstRequest));
        // The whole text, written out in data/scrape.txt; only the version and the request count vary.
        const std::string expected =
            QString::fromUtf8(fileBytes(QStringLiteral(VORTANE_TEST_DATA "/scrape.txt")))
                .replace("%version%", VORTANE_VERSION)
                .replace("%requests%", QString::number(sample(text, "vortane_requests_total")))
                .toStdString();
        QCOMPARE(sortedLines(text), sortedLines(expected));
    }

    // A lost link takes every reading and alarm away and says so; the counts, failures among them, stay.
    void aLostLinkLeavesNoReadings() {
        Polled p({.linkLostAfterMs = 3000, .chip = {}});
        BoardMetrics metrics;
        p.run(2000);
        metrics.update(*p.t.session, &p.alarms, 5.0);
        QVERIFY(metrics.text().find("vortane_temperature_celsius{sensor=\"3\"}") != std::string::npos);
        QVERIFY(metrics.text().find("vortane_alarm{channel=\"NORM\"} 0") != std::string::npos);
        p.run(2000);
        QCOMPARE(p.t.programEnds, QList<int>{CommunicationsInterrupted});
        metrics.update(*p.t.session, &p.alarms, 9.0);
        p.run(2000); // nothing is read after the loss: the time of the last good reading stays
        metrics.update(*p.t.session, &p.alarms, 12.0);
        metrics.linkLost();
        const std::string text = metrics.text();
        QCOMPARE(std::pair(sample(text, "vortane_link_up"),
                           sample(text, "vortane_last_reading_timestamp_seconds")),
                 std::pair(0.0, 9.0));
        QVERIFY(sample(text, "vortane_request_failures_total") >= 1);
        for (const char* name :
             {"vortane_temperature_celsius{", "vortane_fan_speed_rpm{", "vortane_fan_duty_ratio{",
              "vortane_max_temperature_celsius ", "vortane_alarm{"})
            QVERIFY2(text.find(name) == std::string::npos, name);
    }

    void listenAddresses() { // data/listen-addresses.txt
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/listen-addresses.txt")) {
            QString error;
            const auto parsed = ParseListenAddress(r[0], error);
            QCOMPARE(r.first(1) << (parsed ? parsed->text() : QString()) << QString::number(error.isEmpty()),
                     r.first(1) << r.value(1) << QString::number(parsed.has_value()));
        }
    }

    // One endpoint per board (busy: on the tool); two chips on an adapter: two boards; dead serve lock taken.
    void locksOfOtherBoardsAndDeadProcesses() {
        QTemporaryDir dir;
        QString error;
        BoardIdentity i2c{BoardIdentity::Kind::Smbus, false, {}, {}, "/dev/i2c-1", 0x2E};
        const auto first = LockBoardForServing(i2c, dir.path(), error);
        i2c.chipAddress = 0x0B;
        const auto second = LockBoardForServing(i2c, dir.path(), error);
        i2c.simulated = true; // an adapter simulated at that address is not the real one
        const auto simulated = LockBoardForServing(i2c, dir.path(), error);
        const auto builtIn = LockBoardForServing(BoardIdentity{}, dir.path(), error); // the simulated board
        QVERIFY(first && second && simulated && builtIn);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 (QStringList{"vortane-serve-i2c-1-0b.lock", "vortane-serve-i2c-1-2e.lock",
                              "vortane-serve-sim-i2c-1-0b.lock", "vortane-serve-sim.lock"}));
        writeFile(dir.filePath("vortane-serve-usb-1-4.2.lock"), "2147483646\nvortane-cli\n\n");
        BoardIdentity usb{BoardIdentity::Kind::Usb, false, "1-4.2", "VT01", {}, 0x2E};
        const auto taken = LockBoardForServing(usb, dir.path(), error); // named by its port, where it has one
        QVERIFY(fileBytes(dir.filePath("vortane-serve-usb-1-4.2.lock"))
                    .startsWith(QByteArray::number(QCoreApplication::applicationPid()) + '\n'));
    }
};

QTEST_GUILESS_MAIN(TestMetrics)
#include "tst_metrics.moc"
