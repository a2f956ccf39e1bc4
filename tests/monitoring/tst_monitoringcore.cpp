// Monitoring core at its boundaries: byte/value conversions (rounding, sign, truncation), data-log
// lines and refused writes, the graphs' history ring, column reduction, zoom limits and CSV bytes.
#include "monitoring/Conversions.h"
#include "monitoring/DataLog.h"
#include "monitoring/Graphs.h"
#include "support/FileSizeLimit.h"
#include "support/SimSession.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>

namespace {
GraphSample sample(int v) {
    GraphSample s{};
    for (int k = 0; k < GraphSeriesCount; ++k)
        s[static_cast<std::size_t>(k)] = v * 100 + k;
    return s;
}
} // namespace

class TestMonitoringCore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Old points go by time, across the ring's wrap, without the ring ever growing; keys never go back.
    void historyIsBoundedByTime() {
        GraphHistory h(1);
        const std::size_t bytes = h.bytesAllocated();
        for (int n = 0; n < 1000; ++n)
            h.append(n / 64.0, sample(n));
        // The last second: 65 points, from number 935.
        QCOMPARE(std::tuple(h.bytesAllocated(), h.size(), h.value(11, 64).value_or(-1), h.firstNumber()),
                 std::tuple(bytes, std::size_t(65), 99911, std::uint64_t(935)));
        h.append(5, sample(7)); // a clock step back is taken as now
        QCOMPARE(h.lastKey(), 999 / 64.0);
        // Points arriving faster than the ring was made for push out the oldest, not memory up.
        for (int n = 0; n < 200; ++n)
            h.append(10, sample(n));
        QCOMPARE(h.size(), h.capacity());

        GraphHistory s(10);
        for (int n = 0; n < 12; ++n) {
            GraphSample x = sample(n);
            if (n == 10) x[3].reset(); // Temp4 not yet read: no point, across the copies below
            s.append(n, x);
        }
        s.setSpan(2);
        QStringList kept; // key:Temp1
        for (std::size_t i = 0; i < s.size(); ++i)
            kept << QStringLiteral("%1:%2").arg(s.key(i)).arg(*s.value(0, i));
        QCOMPARE(kept, QStringList({"9:900", "10:1000", "11:1100"}));
        QCOMPARE(std::tuple(s.value(7, 2).value_or(-1), s.lowerBound(9.5), s.upperBound(10)),
                 std::tuple(1107, std::size_t(1), std::size_t(2)));
        // After a gap longer than the span (reading paused), the new point is the only one.
        GraphHistory gap(2);
        gap.append(0, sample(0));
        gap.append(5, sample(1));
        QCOMPARE(gap.size(), std::size_t(1));
        // What a paused chart holds: the points of its range, in a store sized to them.
        const GraphHistory held = s.slice(9.5, 11);
        QVERIFY(held.size() == 2 && held.key(0) == 10 && held.value(7, 1) == 1107);
        QVERIFY(!s.value(3, 1) && !held.value(3, 0) && held.value(3, 1) == 1103);
        QVERIFY(held.bytesAllocated() < s.bytesAllocated());
    }

    // Until the history fills the span, the axis runs from the first point to about the newest, at
    // least a minute wide: the first minutes of ten are not a sliver at the left. It widens in a few
    // steps (each one a redraw from the whole history), then scrolls.
    void timeAxisSpreadsTheFirstMinutes() {
        GraphHistory h;
        const double t0 = QDateTime(QDate(2024, 3, 1), QTime(14, 0)).toMSecsSinceEpoch() / 1000.0;
        QList<double> widths;
        for (int s = 0; s <= 700; ++s) {
            h.append(t0 + s, sample(s));
            const ValueRange r = TimeRange(h, 600);
            QCOMPARE(r.lower, t0 + std::max(0, s - 600));
            QVERIFY(r.upper >= t0 + s && r.upper - r.lower <= std::max(60.0, std::min(s, 600) * 1.1));
            if (!widths.contains(r.upper - r.lower)) widths << r.upper - r.lower;
        }
        QVERIFY(widths.size() < 30 && widths.back() == 600);
    }

    // Each pixel column keeps its low and high point in the order they came; a replot that folds
    // in only the new points gives the same columns as one that starts afresh. A trace starts at
    // its first value.
    void decimationKeepsExtremesIncrementally() {
        GraphHistory h(100);
        const int temps[] = {5, 9, 1, 4, 3, 7, 2, 8, 6};
        for (int n = 0; n < 9; ++n) {
            GraphSample s{};
            s[0] = temps[n];
            if (n >= 3) s[1] = temps[n];
            h.append(n * 0.5, s);
        }
        QStringList cols;
        for (int series : {0, 1}) {
            MinMaxDecimator d(series);
            for (const MinMaxColumn& c : d.columns(h, 0.5, 10, 2))
                cols << QStringLiteral("%1:%2,%3").arg(c.key).arg(c.first).arg(c.second);
        }
        // 0 s (5) lies left of the range
        QCOMPARE(cols, QStringList({"0:9,1", "2:2,8", "4:6,6", "0:4,4", "2:2,8", "4:6,6"}));

        GraphHistory big(60);
        MinMaxDecimator running(4);
        for (int n = 0; n < 20000; ++n) {
            GraphSample s{};
            s[4] = (n * 7919) % 4801;
            big.append(n * 0.01, s);
            if (n % 37 == 0) running.columns(big, big.lastKey() - 60, big.lastKey(), 0.25);
        }
        const auto incremental = running.columns(big, big.lastKey() - 60, big.lastKey(), 0.25);
        MinMaxDecimator fresh(4);
        const auto whole = fresh.columns(big, big.lastKey() - 60, big.lastKey(), 0.25);
        QCOMPARE(incremental.size(), std::size_t(241));
        for (std::size_t c = 1; c < whole.size(); ++c) // the first column is cut by the range's edge
            QVERIFY(incremental[c].key == whole[c].key && incremental[c].first == whole[c].first &&
                    incremental[c].second == whole[c].second);
    }

    // The window's tests cover the positive captions and the plain numbers of the update-rate box.
    void captionsAndInterval() {
        QCOMPARE(GraphCaption(1, -5), QStringLiteral("Temp2=-5°C"));
        std::int16_t interval = 50;
        QList<IntervalEdit> edits;
        QList<int> intervals;
        for (const char* typed : {"x", "12.5ms", "0.4", "40000"}) {
            edits << TypedGraphInterval(QString::fromUtf8(typed), interval);
            intervals << interval;
        }
        using enum IntervalEdit;
        QCOMPARE(edits, (QList<IntervalEdit>{Unchanged, Set, Set, Refused}));
        QCOMPARE(intervals, (QList<int>{50, 12, 0, 0}));
    }

    // A zoom keeps its centre and a least span; a range beyond the limits moves inside them.
    void zoomStaysInsideLimits() {
        const ValueRange temp = AxisSpec(GraphAxis::Temperature).limits;
        QCOMPARE(ZoomValueRange({0, 60}, 0.5, 30, temp), (ValueRange{15, 45}));
        QCOMPARE(ZoomValueRange({20, 22}, 0.01, 21, temp), (ValueRange{20.5, 21.5}));
        QCOMPARE(ClampValueRange({100, 160}, temp), (ValueRange{70, 130}));
    }

    // The export holds the points of the shown range, a column per given series.
    void csvOfTheShownRange() {
        GraphHistory h;
        const double t0 = QDateTime(QDate(2024, 3, 1), QTime(13, 59, 58)).toMSecsSinceEpoch() / 1000.0;
        for (int n = 0; n < 4; ++n) {
            GraphSample s = sample(n);
            if (n == 1) s[5].reset(); // never read: its field stays empty
            h.append(t0 + n * 0.75, s);
        }
        QCOMPARE(GraphCsv(h, {0, 5, 11}, t0 + 0.7, t0 + 1.5),
                 QByteArray("Time,Temp1 (\xc2\xb0"
                            "C),Fan2 (RPM),PWM4 (%),Events\r\n"
                            "2024-03-01 13:59:58.750,100,,111,\r\n"
                            "2024-03-01 13:59:59.500,200,205,211,\r\n"));
        // The traces start at the left edge and scroll once they fill the span.
        QCOMPARE(TimeRange(h, 10), (ValueRange{t0, t0 + 10}));
        h.append(t0 + 12, sample(9));
        QCOMPARE(TimeRange(h, 10), (ValueRange{t0 + 2, t0 + 12}));
    }

    void temperature() {
        using Reading = std::pair<int, int>; // byte, °C
        for (auto [byte, celsius] : {Reading{0x00, 0}, Reading{0x19, 25}, Reading{0x7F, 127},
                                     Reading{0x80, -128}, Reading{0xF6, -10}, Reading{0xFF, -1}}) {
            QCOMPARE(TemperatureFromByte(byte), celsius);
            QCOMPARE(TemperatureToByte(celsius), byte);
        }
        QCOMPARE((std::pair{TemperatureToByte(200), TemperatureToByte(-300)}), (std::pair{0x7F, 0x80}));
    }

    void tach() {
        // A zero count is the fastest; 0xFFFF is no "stopped" value; RPM truncates: 2699 gives 2000.74.
        using Speed = std::pair<int, int>; // count, RPM
        for (auto [count, rpm] :
             {Speed{0, 5400000}, Speed{0xFFFF, 82}, Speed{2700, 2000}, Speed{2701, 1999}, Speed{2699, 2000}})
            QCOMPARE(TachToRpm(count), rpm);
        QCOMPARE(TachCount(0x8C, 0x0A), 2700);
        // A limit from a speed may not fit the 16-bit register (its rounding: the limits' tests).
        QCOMPARE(RpmToTachCount(82), qint64(65854));
    }

    void duty() {
        using Percent = std::pair<int, int>; // byte, %
        for (auto [byte, percent] :
             {Percent{255, 100}, Percent{128, 50}, Percent{0, 0}, Percent{1, 0}, Percent{2, 1}})
            QCOMPARE(DutyPercentFromByte(byte), percent);
        // Halves go to the even byte: 25.5, 76.5, 127.5, 178.5, 229.5.
        using Byte = std::pair<double, qint64>; // %, byte
        for (auto [percent, byte] : {Byte{10, 26}, Byte{30, 76}, Byte{50, 128}, Byte{70, 178}, Byte{90, 230},
                                     Byte{100, 255}, Byte{0, 0}, Byte{120, 306}})
            QCOMPARE(DutyByteFromPercent(percent), byte);
    }

    void lineTexts() {
        QCOMPARE(LogHeader(LogSelectionArray{}), QStringLiteral("Time ,"));
        // Characters outside Windows-1252 cannot corrupt the line; its own upper half is kept.
        QCOMPARE(LogLineBytes(QString::fromUtf16(u"0,\u00B0\u20AC\u4E2D")), QByteArray("0,\xB0\x80?\r\n"));
        Readings readings;
        readings.Temperatures[0] = -5;
        LogSelectionArray temp1{};
        temp1[0] = true;
        const QString unread = LogLine(3, 100, readings, temp1); // a gap, not a false 0
        markRead(readings);
        // The time is the exact product of line number and interval: no drift, and no overflow.
        QCOMPARE(
            (QStringList{unread, LogLine(3, 100, readings, temp1), LogLine(7, 333, readings, {}),
                         LogLine(3000000, 3600000, readings, {}), LogLine(3000000000, 10, readings, {})}),
            (QStringList{".3,,", ".3,-5,", "2.331,", "10800000000,", "30000000,"})); // a year at 10 ms
    }

    // A write the disk refuses, whole or in part, is reported, and never leaves half a line.
    void refusedWrites() {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("log.csv"));
        QVERIFY(AppendToFile(fileName, "0, 25,\r\n"));
        QVERIFY(!AppendToFile(dir.filePath(QStringLiteral("missing/folder/log.csv")), "x\r\n"));
        QString reason;
        {
            FileSizeLimit limit(8 + 4);
            QVERIFY(!AppendToFile(fileName, "1, 1500,\r\n", &reason));
        }
        QCOMPARE(reason, QStringLiteral("File too large"));
        QCOMPARE(fileBytes(fileName), QByteArray("0, 25,\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestMonitoringCore)
#include "tst_monitoringcore.moc"
