// Fan configuration and auto control in core: box encodings both ways, load, apply (journal), plot geometry.
#include "fancontrol/AutoControl.h"
#include "fancontrol/FanConfig.h"
#include "support/Rows.h"
#include "support/SimSession.h"

#include <QTest>

#include <array>
#include <limits>

namespace {
// Register writes and reads in journal form; a value of -1 stands for a read.
QStringList accesses(std::initializer_list<std::pair<int, int>> list) {
    QStringList out;
    for (auto [reg, value] : list)
        out << (value < 0 ? readText(reg) : writeText(reg, value));
    return out;
}
} // namespace

class TestAutoControl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadingDecodesEveryField() {
        ConnectedSim t;
        // 0x39: 0 %; 0x6B: 1 %; Tmin unsigned; PWM1 Temp3, PWM2 zone 11 (none), PWM3 Temp10, PWM4 Max Temp.
        // Automatic: outputs 1 (BHV1) and 3 (BHV3, 0x69's top bit), not 2 and 4.
        writeAll(t.chip(), {{0x38, 76}, {0x39, 0}, {0x6B, 2}, {0x71, 200}});
        writeAll(t.chip(), {{0x68, 0xBF}, {0x69, 0x80}, {0x7C, 0x3B}, {0x7D, 0xA0}});
        LoadAutoControl(*t.session);
        QStringList loaded; // zone, Tmin, PWMmin, PWMmax, automatic
        for (const AutoControlEntry& e : t.session->decl.AutoControlTable)
            loaded << QString::asprintf("%s %g %g %g %d", qPrintable(e.Zone), e.Tmin, e.PWMmin, e.PWMmax,
                                        e.AutoControl);
        QCOMPARE(loaded, QStringList({"Temp3 90 50 30 1", " 90 1 0 0", "Temp10 90 50 100 1",
                                      "Max Temp 200 50 100 0"}));

        // A failed block read is a link error, not fields from another request's bytes for an Apply.
        t.board->options().failBlockReads = true;
        t.board->clearJournal();
        QVERIFY(!LoadAutoControl(*t.session));
        QCOMPARE(std::tuple(t.programEnds, t.requestTexts(), t.session->decl.AutoControlTable[0].PWMmax),
                 std::tuple(QList<int>{CommunicationsInterrupted}, QStringList{"220 46 56 1 4"}, 30.0f));
    }

    void applyWritesAllOutputsInOrder() {
        ConnectedSim t;
        writeAll(t.chip(), {{0x68, 0x7F}, {0x69, 0x15}});
        auto& table = t.session->decl.AutoControlTable;
        table[0] = {QStringLiteral("Temp3"), 40.5f, 30, 100, true, true};
        table[1] = {QStringLiteral("Temp5"), 41.5f, 50, 0, false, true};
        table[2] = {QStringLiteral("Max Temp"), 300, 20, 120, true, false};
        table[3] = {QStringLiteral("Temp10"), -10, 10, 90, true, false};
        t.session->decl.UpdateOnChange = true;
        ApplyAutoControl(*t.session, false);

        // Each output's max, min duty and Tmin (76.5, 40.5 down; 127.5, 41.5 up; 120 %, 300 °C and -10 °C
        // clamped), then BHV1 set, BHV2 cleared, BHV3 and 4 set, others kept, and the zone nibbles.
        const QStringList expected = accesses(
            {{0x38, 255}, {0x6A, 76},  {0x6E, 40},   {0x39, 0},  {0x6B, 128},  {0x6F, 42},  {0x3A, 255},
             {0x6C, 51},  {0x70, 255}, {0x3B, 230},  {0x6D, 26}, {0x71, 0},    {0x68, -1},  {0x68, 0xBF},
             {0x68, -1},  {0x69, -1},  {0x69, 0xD5}, {0x69, -1}, {0x7C, 0x35}, {0x7D, 0x0A}});
        QCOMPARE(std::pair(t.requestTexts(), t.session->decl.UpdateOnChange), std::pair(expected, false));

        t.board->clearJournal(); // a link error stops the writes, and the box state is not taken
        t.board->options().failRequestNumber = t.board->requestCount() + 5;
        ApplyAutoControl(*t.session, true);
        QCOMPARE(std::tuple(t.programEnds, t.requests().size(), t.session->decl.UpdateOnChange),
                 std::tuple(QList<int>{CommunicationsInterrupted}, qsizetype(5), false));
    }

    void numbersAtTheirLimits() {
        // Saturated, not wrapped; a zone name is matched exactly, so "temp3" is no zone (code 11).
        constexpr float largest = std::numeric_limits<float>::max();
        QCOMPARE(std::tuple(DutyRegisterValue(largest), TminRegisterValue(largest), ZoneCode("temp3")),
                 std::tuple(2147483647, 2147483647, 11));
        QCOMPARE(std::pair(SingleFromTyped(1e300), SingleFromTyped(-1e300)), std::pair(largest, -largest));
    }

    // The curve in °C and %, and the plot coordinates it is drawn in (the window's test draws with them).
    void curves() {
        const Curve c = CurveSegments({QStringLiteral("Max Temp"), 90, 50, 100, false, true});
        QCOMPARE((QList<CurveSegment>{c[0], c[2], c[5], c[4]}),
                 (QList<CurveSegment>{
                     {{0, 0}, {86, 0}}, {{86, 50}, {90, 50}}, {{90, 0}, {90, 50}}, {c[3].to, {130, 100}}}));
        QCOMPARE(std::pair(c[3].from, c[3].to.duty), std::pair(CurvePoint{90, 50}, 100.0f));
        QVERIFY(std::abs(c[3].to.temperature - 104.925f) < 0.001f);
        // Settings are drawn as they stand.
        const Curve flat = CurveSegments({QString(), 60, 70, 70, false, false});
        QCOMPARE(std::pair(flat[3].to, flat[4].from), std::pair(flat[3].from, CurvePoint{60, 70})); // no ramp
        QCOMPARE(CurveSegments({QString(), 2, 50, 100, false, false})[0].to.temperature, -2.0f);

        const PlotScale s{390, 290};
        QCOMPARE((std::array{s.T2X(130), s.T2X(10), s.P2Y(0), s.P2Y(110), s.X2T(195), s.Y2P(145)}),
                 (std::array<float, 6>{390, 30, 290, 0, 65, 55}));
        QVERIFY(s.P2Y(120) < 0); // beyond the axis: outside the area, not clipped

        Readings r; // "Max Temp" is the last reading, Temp3 the third; PWM2's duty held at PWMmax
        r.Temperatures[2] = 22;
        r.Temperatures[10] = 30;
        r.DutyCycles = {0, 90, 0, 0};
        const auto place = [&r](const char* zone) {
            const auto p = ControlPointOf({QString::fromLatin1(zone), 90, 50, 80, false, true}, 1, r);
            return p ? QStringLiteral("%1@%2").arg(p->temperature.value_or(-1)).arg(p->duty) : QString();
        };
        QStringList places; // hidden ("") until both of a marker's readings have been read
        for (std::uint64_t* reads : {&r.temperaturesReads, &r.dutyCyclesReads, &r.maxTemperatureReads}) {
            *reads = 1;
            places << place("Temp3") << place("Max Temp") << place("");
        }
        QCOMPARE(places, QStringList({"", "", "", "22@80", "", "-1@80", "22@80", "30@80", "-1@80"}));
    }

    // ">" of the fastest count, leading numbers, clamps; below 82.4 RPM ("82") needs 17 bits: slowest count.
    void boxEncodings() {
        QList<int> counts, bytes;
        for (const char* text : {">5400000", "x>", "", "-5", "abc", "5400000", "3000x", "83", "82"})
            counts << TachBoxCount(QString::fromLatin1(text));
        QCOMPARE(counts, (QList<int>{0, 0, 0xFFFF, 0xFFFF, 0xFFFF, 0, 1800, 65060, 0xFFFF}));
        for (const char* text : {"", "120", "30", "-10", "45abc", "1e300", "-1e300"})
            bytes << DutyBoxByte(QString::fromLatin1(text));
        QCOMPARE(bytes, (QList<int>{0, 255, 76, 0, 115, 255, 0}));
    }

    // Unchanged Apply writes back all as loaded: fields, counts and bytes the boxes round (0xFFFF shows
    // 82, 40001 shows 134, byte 77 shows 30 %), bits no field covers; zone 12 goes back as 11.
    void applyingWritesWhatWasLoadedOrEdited() {
        ConnectedSim t;
        writeAll(t.chip(),
                 {{0x38, 76},   {0x39, 77},   {0x3B, 0},    {0x40, 0xF9}, {0x43, 0xE4}, {0x58, 0x8C},
                  {0x59, 0x0A}, {0x5A, 0x41}, {0x5B, 0x9C}, {0x62, 0x09}, {0x63, 0x07}, {0x68, 0xD8},
                  {0x69, 0x29}, {0x6A, 2},    {0x6B, 1},    {0x74, 0xB5}, {0x75, 0x8B}, {0x76, 0x70},
                  {0x7B, 0xFD}, {0x7C, 0x0C}, {0x7D, 0xA1}});
        FanConfig c;
        QVERIFY(LoadFanConfig(*t.session, c));
        t.board->clearJournal();
        ApplyFanConfig(*t.session, c);
        QStringList requests; // data/apply-unchanged.txt, its readable column checked against the wire's
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/apply-unchanged.txt")) {
            const QStringList w = r[1].split(u' '); // "read 40h" or "write 38h = 4Ch"
            const auto hex = [&w](int i) { return w[i].chopped(1).toInt(nullptr, 16); };
            QCOMPARE(r[0], w[0] == "read" ? readText(hex(1)) : writeText(hex(1), hex(3)));
            requests << r[0];
        }
        QCOMPARE(t.requestTexts(), requests);

        // Edited fields follow their encodings; the bits no field covers stay as loaded.
        c.maxDuty[2].text = QStringLiteral("30");
        c.minDuty[1].text = QStringLiteral("-10");
        c.minTach[0].text = QStringLiteral("50"); // 108000 counts: the slowest, 0xFFFF
        c.minTach[2].text = QStringLiteral("1000");
        c.maxTach[3].text.clear();
        c.highFreq = c.invert[0] = false;
        c.fullSpeed = c.fanOVT[2] = c.disableTach[3] = c.enhance[2] = true;
        c.controlType = {0, 1, 1, 0};
        c.fanFail = {true, false, false, true};
        c.rampRate = {1, 2, 5, 6};
        c.pulses = {3, 2, 1, 0};
        c.zone = {3, 0, -1, 10};
        c.freq = 7;
        c.spinUp = 4;
        ApplyFanConfig(*t.session, c);
        QList<int> held;
        for (int reg : {0x3A, 0x6B, 0x58, 0x59, 0x5C, 0x5D, 0x66, 0x67, 0x40, 0x43, 0x68, 0x69, 0x74, 0x75,
                        0x76, 0x7B, 0x7C, 0x7D})
            held << t.chip().read(reg);
        QCOMPARE(held, (QList<int>{76, 0, 0xFF, 0xFF, 0x18, 0x15, 0xFF, 0xFF, 0xBD, 0x1B, 0x5A, 0xA9, 0xFD,
                                   0x9A, 0xD6, 0xFC, 0x30, 0xBA}));

        t.board->clearJournal(); // a failed block read is a link error, and nothing follows it
        t.board->options().failBlockReads = true;
        QVERIFY(!LoadFanConfig(*t.session, c));
        QCOMPARE(std::pair(t.programEnds, t.requests().size()), std::pair(QList<int>{3}, qsizetype(1)));
    }
};

QTEST_GUILESS_MAIN(TestAutoControl)
#include "tst_autocontrol.moc"
