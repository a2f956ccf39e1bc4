// Fan configuration in core: the box encodings both ways, loading and applying, asserted on the
// simulated board's journal and registers.
#include "fancontrol/FanConfig.h"
#include "support/SimSession.h"

#include <QTest>

#include <utility>

namespace {
// Register writes and reads in journal form; a value of -1 stands for a read.
QStringList accesses(std::initializer_list<std::pair<int, int>> list) {
    QStringList out;
    for (auto [reg, value] : list)
        out << (value < 0 ? QStringLiteral("222 46 %1 1 1").arg(reg)
                          : QStringLiteral("222 46 %1 0 0").arg(value * 256 + reg));
    return out;
}

} // namespace

class TestFanConfig : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What the boxes add to the conversions: the ">" of the fastest count, the leading number of
    // typed text and the clamps. Speeds below 82.4 RPM ("82") need counts above 16 bits: the
    // slowest count instead.
    void boxEncodings() {
        QList<int> counts, bytes;
        for (const char* text : {">5400000", "x>", "", "-5", "abc", "5400000", "3000x", "83", "82"})
            counts << TachBoxCount(QString::fromLatin1(text));
        QCOMPARE(counts, (QList<int>{0, 0, 0xFFFF, 0xFFFF, 0xFFFF, 0, 1800, 65060, 0xFFFF}));
        for (const char* text : {"", "120", "30", "-10", "45abc", "1e300", "-1e300"})
            bytes << DutyBoxByte(QString::fromLatin1(text));
        QCOMPARE(bytes, (QList<int>{0, 255, 76, 0, 115, 255, 0}));
    }

    // Applying unchanged writes back every value as loaded: the fields, the counts and bytes the
    // boxes cannot show exactly (0xFFFF shows 82, 40001 shows 134, byte 77 shows 30 %) and the bits
    // no field covers; zone 12 goes back as 11.
    void applyingWritesWhatWasLoadedOrEdited() {
        ConnectedSim t;
        for (auto [reg, value] : std::initializer_list<std::pair<int, int>>{
                 {0x38, 76},   {0x39, 77},   {0x3B, 0},    {0x40, 0xF9}, {0x43, 0xE4}, {0x58, 0x8C},
                 {0x59, 0x0A}, {0x5A, 0x41}, {0x5B, 0x9C}, {0x62, 0x09}, {0x63, 0x07}, {0x68, 0xD8},
                 {0x69, 0x29}, {0x6A, 2},    {0x6B, 1},    {0x74, 0xB5}, {0x75, 0x8B}, {0x76, 0x70},
                 {0x7B, 0xFD}, {0x7C, 0x0C}, {0x7D, 0xA1}})
            t.chip().write(reg, value);
        FanConfig c;
        QVERIFY(LoadFanConfig(*t.session, c));
        t.board->clearJournal();
        ApplyFanConfig(*t.session, c);
        QCOMPARE(t.requestTexts(),
                 accesses({{0x38, 76},   {0x39, 77},   {0x3A, 255},  {0x3B, 0},    {0x6A, 2},    {0x6B, 1},
                           {0x6C, 128},  {0x6D, 128},  {0x40, -1},   {0x40, 0xF9}, {0x43, 0xE4}, {0x58, 0x8C},
                           {0x59, 0x0A}, {0x5A, 0x41}, {0x5B, 0x9C}, {0x5C, 255},  {0x5D, 255},  {0x5E, 255},
                           {0x5F, 255},  {0x60, 0},    {0x61, 0},    {0x62, 0x09}, {0x63, 0x07}, {0x64, 0},
                           {0x65, 0},    {0x66, 0},    {0x67, 0},    {0x68, -1},   {0x68, 0xD8}, {0x68, -1},
                           {0x69, -1},   {0x69, 0x29}, {0x69, -1},   {0x74, -1},   {0x74, 0xB5}, {0x75, 0x8B},
                           {0x76, 0x70}, {0x7B, -1},   {0x7B, 0xFD}, {0x7C, 0x0B}, {0x7D, 0xA1}}));

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
        QCOMPARE(t.programEnds, QList<int>{CommunicationsInterrupted});
        QCOMPARE(t.requests().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestFanConfig)
#include "tst_fanconfig.moc"
