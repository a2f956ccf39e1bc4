#include "registers/RegMapStuff.h"

#include <QSet>
#include <QTest>

#include <algorithm>

class TestRegMapStuff : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void tableShape();
    void addressesAscendExceptSecondNames();
    void readOnlySet();
    void entryInvariants();
    void spotChecks_data();
    void spotChecks();
    void findByAddress_data();
    void findByAddress();
    void findByName_data();
    void findByName();
    void splitBitNames();
    void splitMalformedBitNames();
    void treeShape();
    void treeOrder();
    void treeCoverage();
    void treeLinks();
};

void TestRegMapStuff::tableShape() {
    const RegisterTable& table = BuildRegisterTable();
    QCOMPARE(table.size(), std::size_t{100});
    QCOMPARE(&BuildRegisterTable(), &table);
}

void TestRegMapStuff::addressesAscendExceptSecondNames() {
    const RegisterTable& table = BuildRegisterTable();
    QList<int> off;
    for (int i = 0; i < RegisterCount; ++i) {
        if (table[i].Address != 0x20 + i) off.append(i);
    }
    QCOMPARE(off, (QList<int>{98, 99}));
    QCOMPARE(table[98].Address, 0x7F);
    QCOMPARE(table[99].Address, 0x7B);
    QCOMPARE(table[98].BitNames, table[95].BitNames);
    QCOMPARE(table[99].BitNames, table[91].BitNames);
}

void TestRegMapStuff::readOnlySet() {
    QList<int> expected;
    for (int i = 0; i <= 17; ++i)
        expected.append(i);
    expected << 29 << 30 << 31 << 33 << 34 << 88 << 97;

    QList<int> readOnly;
    for (int i = 0; i < RegisterCount; ++i) {
        if (BuildRegisterTable()[i].ReadOnly) readOnly.append(i);
    }
    QCOMPARE(readOnly.size(), 25);
    QCOMPARE(readOnly, expected);
}

void TestRegMapStuff::entryInvariants() {
    QSet<QString> names;
    for (int i = 0; i < RegisterCount; ++i) {
        const RegisterEntry& e = BuildRegisterTable()[i];
        const QByteArray where = "entry " + QByteArray::number(i);
        QVERIFY2(e.Description == e.Name, where);
        QCOMPARE(RegisterDescription(e), RegisterName(e));
        QVERIFY2(e.Default >= 0 && e.Default <= 0xFF, where);
        QVERIFY2(std::count(e.BitNames.begin(), e.BitNames.end(), ':') == 7, where);
        QVERIFY2(!RegisterName(e).isEmpty(), where);
        QVERIFY2(!names.contains(RegisterName(e)), where);
        names.insert(RegisterName(e));
    }
    QCOMPARE(names.size(), 100);
}

void TestRegMapStuff::spotChecks_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("bits");
    QTest::addColumn<int>("defaultValue");
    QTest::addColumn<bool>("readOnly");

    QTest::newRow("first") << 0 << 0x20 << "Temperature 1"
                           << "7:6:5:4:3:2:1:0" << 0x00 << true;
    QTest::newRow("tach high") << 11 << 0x2B << "Tach1 High Byte"
                               << "15:14:13:12:11:10:9:8" << 0xFF << true;
    QTest::newRow("first writable") << 18 << 0x32 << "PWM1 Current Duty Cycle"
                                    << "7:6:5:4:3:2:1:0" << 0xFF << false;
    QTest::newRow("fans not present") << 22 << 0x36 << "Fans Not Present"
                                      << "-:-:-:-:Fan4:Fan3:Fan2:Fan1" << 0x00 << false;
    QTest::newRow("device id") << 29 << 0x3D << "Device ID"
                               << "7:6:5:4:3:2:1:0" << DeviceCode << true;
    QTest::newRow("company id") << 30 << 0x3E << "Company ID"
                                << "7:6:5:4:3:2:1:0" << CompanyCode << true;
    QTest::newRow("revision") << 31 << 0x3F << "Revision"
                              << "Ver:Ver:Ver:Ver:Stp:Stp:Stp:Stp" << 0x00 << true;
    QTest::newRow("configuration 1") << 32 << 0x40 << "Configuration 1"
                                     << "T/FS:H/LF:FTCH:LCK:TODIS:FSPD:TEST:STRT" << 0x01 << false;
    QTest::newRow("interrupt status 2") << 34 << 0x42 << "Interrupt Status 2"
                                        << "Fan4:Fan3:Fan2:Fan1:NRM:R1OT:R9T:R8T" << 0x00 << true;
    QTest::newRow("pulses") << 35 << 0x43 << "Fan Pulses/Rev"
                            << "F4:F4:F3:F3:F2:F2:F1:F1" << 0x55 << false;
    QTest::newRow("low limit") << 36 << 0x44 << "Temperature1 Low Limit"
                               << "7:6:5:4:3:2:1:0" << 0x81 << false;
    QTest::newRow("high limit") << 55 << 0x57 << "Temperature10 High Limit"
                                << "7:6:5:4:3:2:1:0" << 0x7F << false;
    QTest::newRow("tach max") << 71 << 0x67 << "Tach4 Max High Byte"
                              << "15:14:13:12:11:10:9:8" << 0x00 << false;
    QTest::newRow("pwm 3/4") << 73 << 0x69 << "PWM 3/4 Config"
                             << "BHV3:BHV4:INV3:INV4:OTV3:OTV4:FL3:FL4" << 0x00 << false;
    QTest::newRow("min duty") << 77 << 0x6D << "PWM4 Min Duty Cycle"
                              << "7:6:5:4:3:2:1:0" << 0x80 << false;
    QTest::newRow("tmin") << 81 << 0x71 << "Temperature4 Tmin"
                          << "7:6:5:4:3:2:1:0" << 0x5A << false;
    QTest::newRow("configuration 2") << 84 << 0x74 << "Configuration 2"
                                     << "SHDN:FRQ:FRQ:FRQ:T4DIS:T3DIS:T2DIS:T1DIS" << 0x00 << false;
    QTest::newRow("acoustics 1") << 85 << 0x75 << "Enhance Acoustics 1"
                                 << "EN1:AC1:AC1:AC1:EN2:AC2:AC2:AC2" << 0x00 << false;
    QTest::newRow("max pexil") << 88 << 0x78 << "Max PEXIL Temperature"
                               << "7:6:5:4:3:2:1:0" << 0x00 << true;
    QTest::newRow("coef option 1") << 89 << 0x79 << "PEXIL Coef Option 1"
                                   << "9:8:7:6:5:4:3:2" << 0x00 << false;
    QTest::newRow("coef option 2") << 90 << 0x7A << "PEXIL Coef Option 2"
                                   << "OPT1:OPT0:8:7:6:5:4:3" << 0x00 << false;
    QTest::newRow("zone select 2") << 93 << 0x7D << "PEXIL Zone Select 2"
                                   << "F3Z3:F3Z2:F3Z1:F3Z0:F4Z3:F4Z2:F4Z1:F4Z0" << 0x00 << false;
    QTest::newRow("gpio enable") << 95 << 0x7F << "GPIO Enable"
                                 << "SEL1:SEL0:-:-:EN1:EN2:EN3:EN4" << 0x00 << false;
    QTest::newRow("gpio status") << 97 << 0x81 << "GPIO Status"
                                 << "GPIO4:GPIO3:GPIO2:GPIO1:-:-:-:-" << 0x00 << true;
    QTest::newRow("coef select 2") << 98 << 0x7F << "PEXIL Coef Select 2"
                                   << "SEL1:SEL0:-:-:EN1:EN2:EN3:EN4" << 0x00 << false;
    QTest::newRow("afc") << 99 << 0x7B << "AFC"
                         << "OFF2:OFF1:OFF0:-:-:AFC2:AFC1:AFC0" << 0x00 << false;
}

void TestRegMapStuff::spotChecks() {
    QFETCH(int, index);
    const RegisterEntry& e = BuildRegisterTable()[index];
    QTEST(int(e.Address), "address");
    QTEST(RegisterName(e), "name");
    QTEST(RegisterDescription(e), "name");
    QTEST(SplitBitNames(e).join(QLatin1Char(':')), "bits");
    QTEST(int(e.Default), "defaultValue");
    QTEST(e.ReadOnly, "readOnly");
}

void TestRegMapStuff::findByAddress_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("expected"); // -1: none

    QTest::newRow("below table") << 0x1F << -1;
    QTest::newRow("first") << 0x20 << 0;
    QTest::newRow("configuration 1") << 0x40 << 32;
    QTest::newRow("0x7B is option 3, not AFC") << 0x7B << 91;
    QTest::newRow("0x7F is GPIO enable, not coef select 2") << 0x7F << 95;
    QTest::newRow("last") << 0x81 << 97;
    QTest::newRow("above table") << 0x82 << -1;
    QTest::newRow("zero") << 0 << -1;
    QTest::newRow("negative") << -1 << -1;
    QTest::newRow("past a byte") << 0x120 << -1;
}

void TestRegMapStuff::findByAddress() {
    QFETCH(int, address);
    QFETCH(int, expected);
    QCOMPARE(FindRegisterByAddress(address).value_or(-1), expected);
}

void TestRegMapStuff::findByName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("expected"); // -1: none

    QTest::newRow("AFC") << "AFC" << 99;
    QTest::newRow("afc lower case") << "afc" << -1;
    QTest::newRow("second name of 0x7F") << "PEXIL Coef Select 2" << 98;
    QTest::newRow("first") << "Temperature 1" << 0;
    QTest::newRow("prefix of a longer name") << "Temperature 10" << 9;
    QTest::newRow("slash in name") << "Fan Pulses/Rev" << 35;
    QTest::newRow("trailing blank") << "AFC " << -1;
    QTest::newRow("missing blank") << "Temperature1" << -1;
    QTest::newRow("group node text") << "Configuration" << -1;
    QTest::newRow("root node text") << "General" << -1;
    QTest::newRow("empty") << "" << -1;
}

void TestRegMapStuff::findByName() {
    QFETCH(QString, name);
    QFETCH(int, expected);
    QCOMPARE(FindRegisterByName(name).value_or(-1), expected);
}

void TestRegMapStuff::splitBitNames() {
    const RegisterEntry& fans = BuildRegisterTable()[*FindRegisterByName(QStringLiteral("Fans Not Present"))];
    QCOMPARE(SplitBitNames(fans), (QStringList{"-", "-", "-", "-", "Fan4", "Fan3", "Fan2", "Fan1"}));

    // Position 0 is bit 7: the high byte of a tach count starts at weight 15.
    const QStringList high = SplitBitNames(BuildRegisterTable()[11]);
    QCOMPARE(high.size(), 8);
    QCOMPARE(high.first(), QStringLiteral("15"));
    QCOMPARE(high.last(), QStringLiteral("8"));

    for (const RegisterEntry& e : BuildRegisterTable()) {
        const QStringList names = SplitBitNames(e);
        QCOMPARE(names.size(), 8);
        for (const QString& n : names)
            QVERIFY2(!n.isEmpty(), e.Name.data());
    }
}

void TestRegMapStuff::splitMalformedBitNames() {
    RegisterEntry shortList{0x20, "x", "x", "A:B", 0, false};
    QCOMPARE(SplitBitNames(shortList), (QStringList{"A", "B", "", "", "", "", "", ""}));

    RegisterEntry longList{0x20, "x", "x", "9:8:7:6:5:4:3:2:1", 0, false};
    QCOMPARE(SplitBitNames(longList), (QStringList{"9", "8", "7", "6", "5", "4", "3", "2"}));

    RegisterEntry empty{0x20, "x", "x", "", 0, false};
    QCOMPARE(SplitBitNames(empty).size(), 8);
}

void TestRegMapStuff::treeShape() {
    const QList<RegisterTreeNode> nodes = RegisterTreeNodes();
    QCOMPARE(nodes.size(), 113);

    QStringList roots;
    QStringList groups;
    for (const RegisterTreeNode& n : nodes) {
        if (n.level == 0) roots.append(n.text);
        if (n.level == 1) groups.append(n.text);
    }
    QCOMPARE(roots, (QStringList{"General", "Temperature", "Fan"}));
    QCOMPARE(groups,
             (QStringList{"Configuration", "Status", "ID/Revision", "Test", "GPIO", "Control", "Readings",
                          "High Limits", "Low Limits", "Fan Control", "Fan1", "Fan2", "Fan3", "Fan4"}));
}

void TestRegMapStuff::treeOrder() {
    const QList<RegisterTreeNode> nodes = RegisterTreeNodes();
    QStringList head;
    for (int i = 0; i < 7; ++i)
        head.append(nodes[i].text);
    QCOMPARE(head, (QStringList{"General", "Configuration", "Configuration 1", "Configuration 2",
                                "PWM 1/2 Config", "PWM 3/4 Config", "Status"}));
    QCOMPARE(nodes[0].level, 0);
    QCOMPARE(nodes[1].level, 1);
    QCOMPARE(nodes[2].level, 2);
    QCOMPARE(nodes[2].registerIndex, 32);

    // The last group is "Fan4" with its nine registers, and it ends the list.
    const int fan4 = int(nodes.size()) - 10;
    QCOMPARE(nodes[fan4].text, QStringLiteral("Fan4"));
    QList<int> fan4Registers;
    for (int i = fan4 + 1; i < nodes.size(); ++i) {
        QCOMPARE(nodes[i].parent, fan4);
        fan4Registers.append(nodes[i].registerIndex);
    }
    QCOMPARE(fan4Registers, (QList<int>{21, 27, 77, 16, 17, 62, 63, 70, 71}));
    QCOMPARE(nodes[fan4 + 1].text, QStringLiteral("PWM4 Current Duty Cycle"));
    QCOMPARE(nodes.last().text, QStringLiteral("Tach4 Max High Byte"));

    // "Readings" ends with the highest PEXIL temperature after the ten readings.
    int readings = -1;
    for (int i = 0; i < nodes.size(); ++i) {
        if (nodes[i].level == 1 && nodes[i].text == QLatin1String("Readings")) readings = i;
    }
    QVERIFY(readings > 0);
    QCOMPARE(nodes[readings + 10].text, QStringLiteral("Temperature 10"));
    QCOMPARE(nodes[readings + 11].text, QStringLiteral("Max PEXIL Temperature"));
    QCOMPARE(nodes[readings + 12].text, QStringLiteral("High Limits"));
}

void TestRegMapStuff::treeCoverage() {
    QSet<int> shown;
    int registerNodes = 0;
    for (const RegisterTreeNode& n : RegisterTreeNodes()) {
        if (n.level != 2) continue;
        ++registerNodes;
        QVERIFY(n.registerIndex >= 0 && n.registerIndex < RegisterCount);
        shown.insert(n.registerIndex);
    }
    QCOMPARE(registerNodes, 96);
    QCOMPARE(shown.size(), 96);
    for (int tmin = 0x6E; tmin <= 0x71; ++tmin)
        QVERIFY2(!shown.contains(*FindRegisterByAddress(tmin)), QByteArray::number(tmin, 16));
    QVERIFY(shown.contains(98));
    QVERIFY(shown.contains(99));
}

void TestRegMapStuff::treeLinks() {
    const QList<RegisterTreeNode> nodes = RegisterTreeNodes();
    for (int i = 0; i < nodes.size(); ++i) {
        const RegisterTreeNode& n = nodes[i];
        const QByteArray where = "node " + QByteArray::number(i) + " " + n.text.toUtf8();
        QVERIFY2(n.level >= 0 && n.level <= 2, where);
        if (n.level == 0) {
            QCOMPARE(n.parent, -1);
        } else {
            QVERIFY2(n.parent >= 0 && n.parent < i, where);
            QCOMPARE(nodes[n.parent].level, n.level - 1);
        }
        if (n.level == 2) {
            QCOMPARE(n.text, RegisterName(BuildRegisterTable()[n.registerIndex]));
            // A click on the node finds its register by the node's text.
            QCOMPARE(FindRegisterByName(n.text).value_or(-1), n.registerIndex);
        } else {
            QCOMPARE(n.registerIndex, -1);
            QVERIFY2(!FindRegisterByName(n.text), where);
        }
    }
}

QTEST_APPLESS_MAIN(TestRegMapStuff)
#include "tst_regmapstuff.moc"
