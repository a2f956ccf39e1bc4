// The register table and the register tree: the entries that are easy to mistype, the shape
// other code relies on, and the look-ups by address and by name.
#include "registers/RegMapStuff.h"

#include <QSet>
#include <QTest>

#include <algorithm>
#include <array>
#include <tuple>

class TestRegMapStuff : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void table() {
        const RegisterTable& table = BuildRegisterTable();
        QList<int> offAddress, readOnly;
        QSet<QString> names;
        for (int i = 0; i < RegisterCount; ++i) {
            if (table[i].Address != 0x20 + i) offAddress.append(i);
            if (table[i].ReadOnly) readOnly.append(i);
            QVERIFY2(std::ranges::count(table[i].BitNames, ':') == 7, QByteArray::number(i));
            names.insert(RegisterName(table[i]));
        }
        QCOMPARE(names.size(), RegisterCount);
        // Entries 98 and 99 are second names of 0x7F and 0x7B and share their bit names.
        QCOMPARE(offAddress, (QList<int>{98, 99}));
        QCOMPARE(table[98].BitNames, table[95].BitNames);
        QCOMPARE(table[99].BitNames, table[91].BitNames);
        QCOMPARE(readOnly, (QList<int>{0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                       13, 14, 15, 16, 17, 29, 30, 31, 33, 34, 88, 97}));

        // Index, address, name, bit names, default.
        using Spot = std::tuple<int, int, const char*, const char*, int>;
        for (auto [index, address, name, bits, defaultValue] :
             {Spot{34, 0x42, "Interrupt Status 2", "Fan4:Fan3:Fan2:Fan1:NRM:R1OT:R9T:R8T", 0},
              Spot{35, 0x43, "Fan Pulses/Rev", "F4:F4:F3:F3:F2:F2:F1:F1", 0x55},
              Spot{36, 0x44, "Temperature1 Low Limit", "7:6:5:4:3:2:1:0", 0x81},
              Spot{73, 0x69, "PWM 3/4 Config", "BHV3:BHV4:INV3:INV4:OTV3:OTV4:FL3:FL4", 0},
              Spot{90, 0x7A, "PEXIL Coef Option 2", "OPT1:OPT0:8:7:6:5:4:3", 0},
              Spot{99, 0x7B, "AFC", "OFF2:OFF1:OFF0:-:-:AFC2:AFC1:AFC0", 0}}) {
            const RegisterEntry& e = table[index];
            QCOMPARE(int(e.Address), address);
            QCOMPARE(RegisterName(e), QString::fromLatin1(name));
            QCOMPARE(SplitBitNames(e).join(QLatin1Char(':')), QString::fromLatin1(bits));
            QCOMPARE(int(e.Default), defaultValue);
        }
    }

    void lookUps() {
        QCOMPARE(
            (std::array{FindRegisterByAddress(0x7F), FindRegisterByAddress(0x7B), FindRegisterByAddress(0x1F),
                        FindRegisterByAddress(0x82), FindRegisterByName(QStringLiteral("AFC")),
                        FindRegisterByName(QStringLiteral("afc"))}),
            (std::array<std::optional<int>, 6>{95, 91, std::nullopt, std::nullopt, 99, std::nullopt}));
        // A short list is padded, so the bit display can always index eight names.
        QCOMPARE(SplitBitNames({0x20, "x", "x", "A:B", 0, false}),
                 (QStringList{"A", "B", "", "", "", "", "", ""}));
    }

    void tree() {
        const QList<RegisterTreeNode> nodes = RegisterTreeNodes();
        QCOMPARE(nodes.size(), 113);
        std::array<QStringList, 2> names; // roots, groups
        QSet<int> shown;
        QList<int> lastGroup;
        std::array<int, 3> latest{-2, -2, -2}; // the latest node at each level; -2: none yet
        for (int i = 0; i < nodes.size(); ++i) {
            const RegisterTreeNode& n = nodes[i];
            // Nodes come in display order: each under the latest node one level up.
            QVERIFY2(n.level >= 0 && n.level <= 2, qPrintable(n.text));
            QCOMPARE(n.parent, n.level == 0 ? -1 : latest[n.level - 1]);
            latest[n.level] = i;
            if (n.level < 2) names[n.level] << n.text;
            if (n.level == 1) lastGroup.clear();
            if (n.level == 2) lastGroup << n.registerIndex;
            if (n.level == 2) shown.insert(n.registerIndex);
        }
        QCOMPARE(names[0], (QStringList{"General", "Temperature", "Fan"}));
        QCOMPARE(names[1],
                 (QStringList{"Configuration", "Status", "ID/Revision", "Test", "GPIO", "Control", "Readings",
                              "High Limits", "Low Limits", "Fan Control", "Fan1", "Fan2", "Fan3", "Fan4"}));
        QCOMPARE(shown.size(), 96); // every register node a different register
        for (int tmin = 0x6E; tmin <= 0x71; ++tmin)
            QVERIFY2(!shown.contains(*FindRegisterByAddress(tmin)), QByteArray::number(tmin, 16));
        QCOMPARE(lastGroup, (QList<int>{21, 27, 77, 16, 17, 62, 63, 70, 71})); // Fan4's registers
    }
};

QTEST_APPLESS_MAIN(TestRegMapStuff)
#include "tst_regmapstuff.moc"
