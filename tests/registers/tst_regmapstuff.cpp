// The register table and the register tree: the shape other code relies on, the entries that are
// easy to mistype, and the look-ups by address and by name.
#include "registers/RegMapStuff.h"

#include <QSet>
#include <QTest>

#include <algorithm>
#include <array>
#include <tuple>

class TestRegMapStuff : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void tableShape() {
        const RegisterTable& table = BuildRegisterTable();
        QCOMPARE(table.size(), std::size_t{100});
        QList<int> offAddress, readOnly;
        QSet<QString> names;
        for (int i = 0; i < RegisterCount; ++i) {
            const RegisterEntry& e = table[i];
            const QByteArray where = "entry " + QByteArray::number(i);
            if (e.Address != 0x20 + i) offAddress.append(i);
            if (e.ReadOnly) readOnly.append(i);
            QVERIFY2(std::count(e.BitNames.begin(), e.BitNames.end(), ':') == 7, where);
            names.insert(RegisterName(e));
        }
        QCOMPARE(names.size(), RegisterCount); // no two alike
        // Entries 98 and 99 are second names of 0x7F and 0x7B and share their bit names.
        QCOMPARE(offAddress, (QList<int>{98, 99}));
        QCOMPARE(table[98].Address, 0x7F);
        QCOMPARE(table[99].Address, 0x7B);
        QCOMPARE(table[98].BitNames, table[95].BitNames);
        QCOMPARE(table[99].BitNames, table[91].BitNames);
        QCOMPARE(readOnly, (QList<int>{0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                       13, 14, 15, 16, 17, 29, 30, 31, 33, 34, 88, 97}));
    }

    void spotChecks() {
        // Index, address, name, bit names, default.
        using Spot = std::tuple<int, int, const char*, const char*, int>;
        for (auto [index, address, name, bits, defaultValue] :
             {Spot{32, 0x40, "Configuration 1", "T/FS:H/LF:FTCH:LCK:TODIS:FSPD:TEST:STRT", 0x01},
              Spot{34, 0x42, "Interrupt Status 2", "Fan4:Fan3:Fan2:Fan1:NRM:R1OT:R9T:R8T", 0},
              Spot{35, 0x43, "Fan Pulses/Rev", "F4:F4:F3:F3:F2:F2:F1:F1", 0x55},
              Spot{36, 0x44, "Temperature1 Low Limit", "7:6:5:4:3:2:1:0", 0x81},
              Spot{73, 0x69, "PWM 3/4 Config", "BHV3:BHV4:INV3:INV4:OTV3:OTV4:FL3:FL4", 0},
              Spot{90, 0x7A, "PEXIL Coef Option 2", "OPT1:OPT0:8:7:6:5:4:3", 0},
              Spot{99, 0x7B, "AFC", "OFF2:OFF1:OFF0:-:-:AFC2:AFC1:AFC0", 0}}) {
            const RegisterEntry& e = BuildRegisterTable()[index];
            QCOMPARE(int(e.Address), address);
            QCOMPARE(RegisterName(e), QString::fromLatin1(name));
            QCOMPARE(SplitBitNames(e).join(QLatin1Char(':')), QString::fromLatin1(bits));
            QCOMPARE(int(e.Default), defaultValue);
        }
    }

    void lookUpsAndBitNames() {
        QCOMPARE(FindRegisterByAddress(0x7F), std::optional<int>(95)); // not its second name
        QCOMPARE(FindRegisterByAddress(0x7B), std::optional<int>(91));
        QCOMPARE(FindRegisterByAddress(0x1F), std::nullopt);
        QCOMPARE(FindRegisterByAddress(0x82), std::nullopt);
        QCOMPARE(FindRegisterByName(QStringLiteral("AFC")), std::optional<int>(99));
        QCOMPARE(FindRegisterByName(QStringLiteral("afc")), std::nullopt);

        const RegisterEntry& fans =
            BuildRegisterTable()[*FindRegisterByName(QStringLiteral("Fans Not Present"))];
        QCOMPARE(SplitBitNames(fans), (QStringList{"-", "-", "-", "-", "Fan4", "Fan3", "Fan2", "Fan1"}));
        // A short list is padded, so the bit display can always index eight names.
        const RegisterEntry shortList{0x20, "x", "x", "A:B", 0, false};
        QCOMPARE(SplitBitNames(shortList), (QStringList{"A", "B", "", "", "", "", "", ""}));
    }

    void tree() {
        const QList<RegisterTreeNode> nodes = RegisterTreeNodes();
        QCOMPARE(nodes.size(), 113);
        QStringList roots, groups;
        QSet<int> shown;
        QList<int> fan4Registers;
        std::array<int, 3> latest{-2, -2, -2}; // the latest node at each level; -2: none yet
        for (int i = 0; i < nodes.size(); ++i) {
            const RegisterTreeNode& n = nodes[i];
            // Nodes come in display order: each under the latest node one level up.
            QVERIFY2(n.level >= 0 && n.level <= 2, qPrintable(n.text));
            QCOMPARE(n.parent, n.level == 0 ? -1 : latest[n.level - 1]);
            latest[n.level] = i;
            if (n.level == 0) roots.append(n.text);
            if (n.level == 1) groups.append(n.text);
            if (n.level == 2) shown.insert(n.registerIndex);
            if (n.level == 2 && groups.last() == QStringLiteral("Fan4"))
                fan4Registers.append(n.registerIndex);
        }
        QCOMPARE(roots, (QStringList{"General", "Temperature", "Fan"}));
        QCOMPARE(groups,
                 (QStringList{"Configuration", "Status", "ID/Revision", "Test", "GPIO", "Control", "Readings",
                              "High Limits", "Low Limits", "Fan Control", "Fan1", "Fan2", "Fan3", "Fan4"}));
        QCOMPARE(shown.size(), 96); // every register node a different register
        for (int tmin = 0x6E; tmin <= 0x71; ++tmin)
            QVERIFY2(!shown.contains(*FindRegisterByAddress(tmin)), QByteArray::number(tmin, 16));
        // "Fan4" is the last group, so its nine registers end the list.
        QCOMPARE(fan4Registers, (QList<int>{21, 27, 77, 16, 17, 62, 63, 70, 71}));
    }
};

QTEST_APPLESS_MAIN(TestRegMapStuff)
#include "tst_regmapstuff.moc"
