// Limits, interrupts and chip configuration in core, on the wire: reads, writes, RPM counts, unedited apply.
#include "deviceconfig/ChipConfig.h"
#include "deviceconfig/Limits.h"
#include "support/Rows.h"
#include "support/SimSession.h"

#include <QTest>

namespace {
using MaskBytes = std::array<int, 2>;
InterruptRowStates rows(std::initializer_list<int> ticked) {
    InterruptRowStates r{};
    for (int k : ticked)
        r[static_cast<std::size_t>(k)] = true;
    return r;
}
} // namespace

class TestLimits : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void temperatureLimits() {
        ConnectedSim t;
        t.chip().write(0x49, 0x7F);
        QCOMPARE(ReadTemperatureLimits(*t.session, 3), (std::optional<TemperatureLimits>{{-127, 127}}));
        // Negative limits go out as negative values; halves round to even; the byte range holds.
        WriteTemperatureLimits(*t.session, 10, -10.5, 300);
        WriteTemperatureLimits(*t.session, 1, 2.5, -1e9);
        QCOMPARE(t.requestTexts(),
                 QStringList({readText(0x48), readText(0x49), writeText(0x56, -10), writeText(0x57, 127),
                              writeText(0x44, 2), writeText(0x45, -128)}));
    }

    // Speeds too slow for 16 bits get the slowest count; the rest round half to even.
    void tachLimits() {
        QCOMPARE((QList<int>{TachLimitCount(0), TachLimitCount(-5), TachLimitCount(82.39),
                             TachLimitCount(82.41), TachLimitCount(3456)}),
                 (QList<int>{0xFFFF, 0xFFFF, 0xFFFF, 65526, 1562}));

        ConnectedSim t; // Fan 2: high byte 0x0A, low byte 0x8C
        writeAll(t.chip(), {{0x63, 0x0A}, {0x62, 0x8C}});
        QCOMPARE(ReadTachLimits(*t.session, 2), (std::optional<TachLimits>{{0xFFFF, 2700}}));
        // A moved minimum keeps the maximum's "none" (0) exactly.
        QCOMPARE(MovedTachLimit({0xFFFF, 0}, TachLimit::Minimum, 1000), (TachLimits{5400, 0}));
        t.board->clearJournal(); // a link error stops the writes there
        t.board->options().failRequestNumber = t.board->requestCount() + 2;
        WriteTachLimits(*t.session, 1, {0x1FF, 2}); // 58h 255, then 59h 1 fails
        QCOMPARE(t.requestTexts(), (QStringList{"222 46 65368 0 0", "222 46 345 0 0"}));
    }

    void interruptRows() { // data/interrupt-rows.txt
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/interrupt-rows.txt")) {
            InterruptRowStates masked{};
            for (std::size_t k = 0; k < masked.size(); ++k)
                masked[k] = r[0].at(qsizetype(k)) == u'x';
            const MaskBytes bytes{r[2].toInt(nullptr, 16), r[3].toInt(nullptr, 16)};
            QCOMPARE(InterruptMaskBytes(masked, r[1].toInt(nullptr, 16)), bytes);
            QCOMPARE(InterruptRowsFromBytes(bytes[0], bytes[1]), masked);
        }
    }

    void interruptRegisters() {
        ConnectedSim t;
        writeAll(t.chip(), {{0x72, 0x81}, {0x73, 0x40}});
        const auto masks = ReadInterruptMasks(*t.session);
        QCOMPARE(masks->rows, rows({0, 12}));
        WriteInterruptMasks(*t.session, rows({14}), masks->oolMask);
        QCOMPARE(t.requestTexts(),
                 QStringList({"220 46 114 1 2", writeText(0x72, 0x80), writeText(0x73, 0x08)}));
        // Masks filled from stale bytes would be written back by Apply: a failed read ends the program.
        t.board->options().failBlockReads = true;
        QVERIFY(!ReadInterruptMasks(*t.session));
        QCOMPARE(t.programEnds, QList<int>{CommunicationsInterrupted});
    }

    // A selection mask that picks only some sensors survives an apply with nothing edited.
    void deviceLoadAndUneditedApply() {
        ConnectedSim t;
        writeAll(t.chip(), {{0x40, 0xA9}, {0x74, 0x80}, {0x79, 0xB6}, {0x7A, 0xF2}});
        writeAll(t.chip(), {{0x7B, 0x60}, {0x7E, 0x12}, {0x7F, 0x85}});
        const QList<int> before = t.chipState();
        std::optional<DeviceSettings> d = LoadDeviceConfig(*t.session);
        QCOMPARE(t.requestTexts(),
                 QStringList({"222 46 64 1 1", "222 46 116 1 1", "220 46 121 1 3", "220 46 126 1 2"}));
        QCOMPARE(d, (std::optional<DeviceSettings>{{true, true, true, true, "731", "403", false, 0x4A}}));
        QVERIFY(ApplyDeviceConfig(*t.session, *d));
        QCOMPARE(t.chipState(), before);
    }

    // The whole number written is checked: 1023.5 would go as gain 0. Requests: 4 to gain, 11 no offset, 15.
    void deviceRangeChecks() {
        const QString badGain = "Gain value must be in the range 0-1023";
        const QString badOffset = "Offset value must be in the range 0-511";
        using G = std::tuple<QString, QString, int, QString>;
        for (const auto& [gain, offset, requests, message] :
             {G{"1023.5", "406", 4, badGain}, G{"-0.6", "406", 4, badGain},
              G{"731", "511.5abc", 11, badOffset}, G{"1023.4", "x", 15, ""}}) {
            ConnectedSim t;
            DeviceSettings d{false, false, false, false, gain, offset, true, 0};
            QCOMPARE(ApplyDeviceConfig(*t.session, d), message.isEmpty());
            QCOMPARE(t.requests().size(), requests);
            const QList<ScriptedPrompts::Shown> warning{
                {message, MessageIcon::Warning, MessageButtons::Ok, {}}};
            QCOMPARE(t.prompts.messages, message.isEmpty() ? QList<ScriptedPrompts::Shown>() : warning);
        }
    }
};

QTEST_MAIN(TestLimits)
#include "tst_limits.moc"
