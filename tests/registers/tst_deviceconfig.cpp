// The general device configuration in core: what a load decodes, the order and values of an
// apply on the wire, and the refusals of a gain or offset that the register bits cannot hold.
#include "registers/DeviceConfig.h"
#include "support/SimSession.h"

#include <QTest>

namespace {
QString write(int reg, int value) {
    return QStringLiteral("222 46 %1 0 0").arg(value * 256 + reg);
}
QString read(int reg) {
    return QStringLiteral("222 46 %1 1 1").arg(reg);
}
const QList<int> Covered{0x40, 0x74, 0x79, 0x7A, 0x7B, 0x7E, 0x7F};
QList<int> held(SimChip& c) {
    QList<int> out;
    for (int reg : Covered)
        out << c.read(reg);
    return out;
}
} // namespace

class TestDeviceConfig : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // A selection mask that picks only some sensors survives an apply with nothing edited.
    void loadDecodesAndAnUneditedApplyChangesNothing() {
        SimSession t;
        t.connect();
        for (auto [reg, value] : {std::pair{0x40, 0xA9},
                                  {0x74, 0x80},
                                  {0x79, 0xB6},
                                  {0x7A, 0xF2},
                                  {0x7B, 0x60},
                                  {0x7E, 0x12},
                                  {0x7F, 0x85}})
            t.chip().write(reg, value);
        const QList<int> before = held(t.chip());
        std::optional<DeviceSettings> d = LoadDeviceConfig(*t.session);
        QCOMPARE(t.requestTexts(), QStringList({read(0x40), read(0x74), "220 46 121 1 3", "220 46 126 1 2"}));
        QVERIFY(d);
        QCOMPARE(*d, (DeviceSettings{true, true, true, true, "731", "403", false, 0x4A}));
        QVERIFY(ApplyDeviceConfig(*t.session, *d));
        QCOMPARE(held(t.chip()), before);
    }

    void applyWritesInOrder() {
        SimSession t;
        t.connect();
        for (auto [reg, value] :
             {std::pair{0x40, 0x74}, {0x74, 0x15}, {0x7A, 0x15}, {0x7B, 0x1F}, {0x7F, 0x05}})
            t.chip().write(reg, value);
        t.board->clearJournal();
        DeviceSettings d{true, true, true, true, "731", "406", false, 0};
        QVERIFY(ApplyDeviceConfig(*t.session, d));
        // Gain 731 = 0xB6 << 2 | 3, offset 406 = 0x32 << 3 | 6; kept bits from the values above.
        QCOMPARE(
            t.requestTexts(),
            QStringList({read(0x40), write(0x40, 0xFD), read(0x74), write(0x74, 0x95), write(0x79, 0xB6),
                         read(0x7A), write(0x7A, 0xD5), read(0x7A), write(0x7A, 0xF2), read(0x7B),
                         write(0x7B, 0xDF), write(0x7E, 0xFF), read(0x7F), write(0x7F, 0xC5), read(0x7F)}));
        QCOMPARE(d.selectMask, AllSelected);
        QVERIFY(t.prompts.messages.isEmpty());

        // The built-in values: mask cleared, the GPIO enables beside it kept.
        d.useDefault = true;
        QVERIFY(ApplyDeviceConfig(*t.session, d));
        QCOMPARE(t.chip().read(0x7E), 0x00);
        QCOMPARE(t.chip().read(0x7F), 0x05);
    }

    void outOfRangeIsRefused_data() {
        QTest::addColumn<QString>("gain");
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QList<int>>("written");
        QTest::addColumn<QString>("message");
        const QList<int> config{0x40, 0x74};
        const QList<int> noOffset = config + QList<int>{0x79, 0x7A, 0x7E, 0x7F};
        const QString gainMessage = QStringLiteral("Gain value must be in the range 0-1023");
        const QString offsetMessage = QStringLiteral("Offset value must be in the range 0-511");
        QTest::newRow("gain 1024") << "1024"
                                   << "406" << config << gainMessage;
        QTest::newRow("gain rounds to 1024") << "1023.5"
                                             << "406" << config << gainMessage;
        QTest::newRow("gain rounds to -1") << "-0.6"
                                           << "600" << config << gainMessage;
        QTest::newRow("offset 512") << "731"
                                    << "512" << noOffset << offsetMessage;
        QTest::newRow("offset rounds to 512") << "731"
                                              << "511.5abc" << noOffset << offsetMessage;
        QTest::newRow("no numbers are 0")
            << "abc"
            << "" << config + QList<int>{0x79, 0x7A, 0x7A, 0x7B, 0x7E, 0x7F} << QString();
        QTest::newRow("round into range")
            << "1023.4"
            << "-0.5" << config + QList<int>{0x79, 0x7A, 0x7A, 0x7B, 0x7E, 0x7F} << QString();
    }
    void outOfRangeIsRefused() {
        QFETCH(QString, gain);
        QFETCH(QString, offset);
        QFETCH(QList<int>, written);
        QFETCH(QString, message);
        SimSession t;
        t.connect();
        DeviceSettings d{false, false, false, false, gain, offset, true, 0};
        QCOMPARE(ApplyDeviceConfig(*t.session, d), message.isEmpty());
        QList<int> registers;
        for (const JournalEntry& e : t.requests())
            if (e.direction == 0) registers << (e.index & 0xFF);
        QCOMPARE(registers, written);
        QCOMPARE(t.prompts.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(t.prompts.messages[0].text, message);
            QCOMPARE(t.prompts.messages[0].icon, MessageIcon::Warning);
        }
    }
};

QTEST_GUILESS_MAIN(TestDeviceConfig)
#include "tst_deviceconfig.moc"
