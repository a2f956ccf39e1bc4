// The chip-configuration registers in core: a device-settings load and an apply that keeps what
// was not edited, and the refusals of a gain or offset the bits cannot hold. The GPIO layout and
// the order of each window's writes are asserted on the wire in the windows' own tests.
#include "deviceconfig/ChipConfig.h"
#include "support/SimSession.h"

#include <QTest>

class TestChipConfig : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A selection mask that picks only some sensors survives an apply with nothing edited.
    void deviceLoadAndUneditedApply() {
        ConnectedSim t;
        const QList<int> covered{0x40, 0x74, 0x79, 0x7A, 0x7B, 0x7E, 0x7F},
            values{0xA9, 0x80, 0xB6, 0xF2, 0x60, 0x12, 0x85};
        for (qsizetype k = 0; k < covered.size(); ++k)
            t.chip().write(covered[k], values[k]);
        t.board->clearJournal();
        std::optional<DeviceSettings> d = LoadDeviceConfig(*t.session);
        QCOMPARE(t.requestTexts(),
                 QStringList({"222 46 64 1 1", "222 46 116 1 1", "220 46 121 1 3", "220 46 126 1 2"}));
        QCOMPARE(d, (std::optional<DeviceSettings>{{true, true, true, true, "731", "403", false, 0x4A}}));
        QVERIFY(ApplyDeviceConfig(*t.session, *d));
        for (qsizetype k = 0; k < covered.size(); ++k)
            QCOMPARE(t.chip().read(covered[k]), values[k]);
    }

    // What is checked is the whole number written: 1023.5 would go out as gain 0 (the window's test
    // covers plain numbers out of range). Requests: 4 up to the gain, 11 without the offset, 15 in all.
    void deviceRangeChecks() {
        const QString badGain = "Gain value must be in the range 0-1023";
        const QString badOffset = "Offset value must be in the range 0-511";
        for (const auto& [gain, offset, requests, message] :
             std::initializer_list<std::tuple<QString, QString, int, QString>>{
                 {"1023.5", "406", 4, badGain},
                 {"-0.6", "406", 4, badGain},
                 {"731", "511.5abc", 11, badOffset},
                 {"1023.4", "x", 15, ""}}) {
            ConnectedSim t;
            DeviceSettings d{false, false, false, false, gain, offset, true, 0};
            QCOMPARE(ApplyDeviceConfig(*t.session, d), message.isEmpty());
            QCOMPARE(t.requests().size(), requests);
            QStringList warnings;
            for (const ScriptedPrompts::Shown& m : t.prompts.messages)
                warnings << m.text + (m.icon == MessageIcon::Warning ? "" : " (no warning icon)");
            QCOMPARE(warnings, message.isEmpty() ? QStringList() : QStringList{message});
        }
    }
};

QTEST_GUILESS_MAIN(TestChipConfig)
#include "tst_chipconfig.moc"
