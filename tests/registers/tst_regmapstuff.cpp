// The register table and tree, typed reads and writes on the wire, value texts, the .sav file and its recall.
#include "base/NumberText.h"
#include "registers/ConfigFile.h"
#include "registers/RegMapStuff.h"
#include "registers/RegisterView.h"
#include "support/Rows.h"
#include "support/SimSession.h"

#include <QTest>

#include <algorithm>
#include <array>
#include <tuple>

namespace {
const QLocale UsEnglish(QLocale::English, QLocale::UnitedStates);
const QDateTime SavedAt(QDate(2024, 3, 5), QTime(14, 7, 9));

const auto indexOf = [](int address) { return *FindRegisterByAddress(address); };

// Every register a save covers, at its default, with some values changed.
QList<ConfigValue> valuesWith(std::initializer_list<std::pair<int, int>> changes) {
    QList<ConfigValue> values;
    for (int index : ConfigRegisterIndices()) {
        int value = BuildRegisterTable()[static_cast<std::size_t>(index)].Default;
        for (const auto& [i, v] : changes)
            if (i == index) value = v;
        values.append({index, value});
    }
    return values;
}

// Blanks, breaks and a "{" a recall must not take for the register list; saved trimmed, one line, ° as 0xB0.
const QString Comment = QString::fromUtf8("  bench 4,\r\n{fan\rcurve B}\n25 °C  ");
const QByteArray Header =
    "Heldrix Semiconductor\r\nVORTANE Evaluation Software\r\n\r\nSaved: 3/5/24 at 2:07 PM\r\n\r\n"
    "Comment : bench 4, {fan curve B} 25 \260C\r\n\r\nAddress\tData\tRegister\r\n{\r\n";
} // namespace

class TestRegMapStuff : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tableAndLookUps() {
        const RegisterTable& table = BuildRegisterTable(); // addresses and names: the tree, the CLI's dump
        for (int i = 0; i < RegisterCount; ++i)
            QVERIFY2(std::ranges::count(table[i].BitNames, ':') == 7, QByteArray::number(i));
        // Entries 98 and 99 are second names of 0x7F and 0x7B and share their bit names.
        QCOMPARE(std::pair(table[98].BitNames, table[99].BitNames),
                 std::pair(table[95].BitNames, table[91].BitNames));

        // Registers at each kind of place in the table: data/registers.txt.
        for (const QStringList& row : tableRows(VORTANE_TEST_DATA "/registers.txt")) {
            const RegisterEntry& e = table[row[0].toInt()];
            QCOMPARE((QStringList{row[0], QString::number(e.Address, 16), RegisterName(e),
                                  SplitBitNames(e).join(u':'), QString::number(e.Default, 16)}),
                     row);
        }
        QCOMPARE(
            (std::array{FindRegisterByAddress(0x7F), FindRegisterByAddress(0x7B), FindRegisterByAddress(0x1F),
                        FindRegisterByAddress(0x82), FindRegisterByName(QStringLiteral("AFC")),
                        FindRegisterByName(QStringLiteral("afc"))}),
            (std::array<std::optional<int>, 6>{95, 91, std::nullopt, std::nullopt, 99, std::nullopt}));
        // A short list is padded, so the bit display can always index eight names.
        QCOMPARE(SplitBitNames({0x20, "x", "x", "A:B", 0, false}),
                 (QStringList{"A", "B", "", "", "", "", "", ""}));
    }

    // The register map's tree whole, each node indented by its level, a register with its address; each
    // node under the latest one a level up (data/tree.txt: no Tmin register; 7Bh and 7Fh by both names).
    void tree() {
        QStringList got;
        std::array<int, 3> latest{-2, -2, -2}; // the latest node at each level; -2: none yet
        const QList<RegisterTreeNode> nodes = RegisterTreeNodes();
        for (int i = 0; i < nodes.size(); ++i) {
            const RegisterTreeNode& n = nodes[i];
            const bool placed = n.parent == (n.level > 0 ? latest[n.level - 1] : -1);
            got << QString(2 * n.level, u' ') + n.text + (placed ? "" : " (misplaced)") +
                       (n.level == 2 ? u' ' + AddressText(RegisterAt(n.registerIndex).Address) : QString());
            latest[n.level] = i;
        }
        QCOMPARE(got.join(u'\n') + u'\n', QString::fromUtf8(fileBytes(VORTANE_TEST_DATA "/tree.txt")));
    }

    // An address without a table entry is read all the same; its bits are then named by number.
    void typedRegister() {
        ConnectedSim sim;
        sim.chip().write(0x6E, 0x5A);
        const RegisterView tmin = ReadTypedRegister(sim.usb(), QStringLiteral("6E"));
        QCOMPARE((QStringList{tmin.description, tmin.addressText, QString::number(tmin.value, 16)}),
                 QStringList({"Temperature1 Tmin", "6Eh", "5a"}));
        const RegisterView unknown = ReadTypedRegister(sim.usb(), QStringLiteral("90"));
        QCOMPARE(QStringList(unknown.bitNames.begin(), unknown.bitNames.end())
                     << unknown.description << unknown.addressText,
                 QStringList({"7", "6", "5", "4", "3", "2", "1", "0", "Unknown", "90h"}));
        QCOMPARE(sim.requestTexts(), QStringList({"222 46 110 1 1", "222 46 144 1 1"}));
    }

    // Element i shows bit i; a bit showing other than "0" is set, a click clears it; hex and decimal mirror.
    void bitTextsAndMirrors() {
        std::array<QString, 8> texts = BitTexts(0x05);
        QCOMPARE(QStringList(texts.begin(), texts.end()),
                 QStringList({"1", "0", "1", "0", "0", "0", "0", "0"}));
        texts[3] = QStringLiteral("X");
        texts[7] = QString();
        QCOMPARE(BitSum(texts), 0x8D);
        QCOMPARE((QStringList{FlippedBitText(QStringLiteral("X")), FlippedBitText(QStringLiteral("0"))}),
                 QStringList({"0", "1"}));
        QStringList hex, decimal;
        for (const char* text : {"", "2.5", "-1", "2147483647", "-2147483648", "2147483648", "-2147483649"})
            hex << HexMirrorOfDecimal(QString::fromLatin1(text));
        QCOMPARE(hex, QStringList({"0", "2", "FFFFFFFF", "7FFFFFFF", "80000000", "", ""}));
        for (const char* text : {"7g1", "FFFFFFFF", "123456789"})
            decimal << DecimalMirrorOfHex(QString::fromLatin1(text));
        QCOMPARE(decimal, QStringList({"7", "4294967295", "305419896"}));
    }

    // Typed address, value, index (value * 256 + register), byte held; halves to even; bits over FF dropped.
    void write() {
        using W = std::tuple<QString, QString, int, int>;
        for (const auto& [address, typed, index, held] :
             {W{"6E", "2.5", 2 * 256 + 0x6E, 2}, W{"6E", "3.5", 4 * 256 + 0x6E, 4},
              W{"6E", "1e10", 255 * 256 + 0x6E, 255}, W{"6E", "-1", -256 + 0x6E, 0xFF},
              W{"6E", "-1e10", 0x6E, 0}, W{"16E", "1", 256 + 0x6E, 1}, W{"90", "5", 5 * 256 + 0x90, 0}}) {
            ConnectedSim sim;
            QVERIFY(WriteTypedRegister(sim.usb(), address, TypedRegisterValue(typed)));
            QCOMPARE(sim.requestTexts(), QStringList{QStringLiteral("222 46 %1 0 0").arg(index)});
            QCOMPARE(sim.chip().read(index & 0xFF), held);
        }
    }

    void wholeFileAndItsRecall() {
        const QList<ConfigValue> values = valuesWith({{indexOf(0x40), 3}, {indexOf(0x36), 0}, {98, 0x0C}});
        const QByteArray bytes = BuildConfigFile(values, false, Comment, SavedAt, UsEnglish);
        QVERIFY(bytes.startsWith(Header + "0x32\t0xFF\t // PWM1 Current Duty Cycle\r\n"));
        QVERIFY(bytes.endsWith("0x7F\t0xC\t // PEXIL Coef Select 2\r\n0x7B\t0x0\t // AFC\r\n}\r\n"));
        QCOMPARE(bytes.count("\r\n0x7F\t0x0\t // GPIO Enable\r\n"), 1);
        QVERIFY(bytes.count("\r\n") == 9 + 75 + 1 && bytes.count('\n') == 9 + 75 + 1);
        // Refused, not "?": first unsavable character (whole past 16 bits, here last); €, thin space pass.
        QCOMPARE(ConfigCommentRefusal(Comment + QString::fromUtf16(u"\u20AC\u2009?")), QString());
        QCOMPARE(
            ConfigCommentRefusal(QString::fromUtf16(u"fan \u20AC\U0001F600")),
            QString::fromUtf16(u"the comment holds \"\U0001F600\" (U+1F600), which a .sav file cannot hold"));

        // Every entry that is not read-only, in table order, each on its own line, recalls as saved.
        const ConfigParse parsed = ParseConfigFile(bytes);
        QVERIFY(parsed.ok() && parsed.writes.size() == 75 && values.size() == 75);
        for (int k = 0; k < 75; ++k) {
            const RegisterEntry& e = BuildRegisterTable()[static_cast<std::size_t>(values[k].index)];
            QVERIFY(!e.ReadOnly && (k == 0 || values[k].index > values[k - 1].index));
            const ConfigWrite& w = parsed.writes[k];
            QCOMPARE(std::tuple(w.address, w.value, w.line),
                     std::tuple(int(e.Address), values[k].value, 10 + k));
        }
    }

    void onlyChangedAndReadOnlyEntriesAreLeftOut() {
        QCOMPARE(BuildConfigFile(valuesWith({}), true, Comment, SavedAt, UsEnglish), Header + "}\r\n");
        QVERIFY(BuildConfigFile(valuesWith({{indexOf(0x40), 3}, {indexOf(0x44), 0xF6}}), true, {}, SavedAt,
                                UsEnglish)
                    .endsWith("{\r\n0x40\t0x3\t // Configuration 1\r\n0x44\t0xF6\t // Temperature1 Low "
                              "Limit\r\n}\r\n"));
        QVERIFY(BuildConfigFile({{indexOf(0x20), 25}, {indexOf(0x40), 1}}, false, {}, SavedAt, UsEnglish)
                    .endsWith("{\r\n0x40\t0x1\t // Configuration 1\r\n}\r\n"));
    }

    void recallOfHandWrittenFiles() {
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/hand-written.txt")) {
            const ConfigParse parsed = ParseConfigFile(r[1].toLatin1());
            QStringList got;
            for (const ConfigWrite& w : parsed.writes)
                got << QStringLiteral("%1=%2").arg(w.address, 0, 16).arg(w.value, 0, 16);
            QCOMPARE((QStringList{r[0], got.join(u' '), QString::number(parsed.errorLine), parsed.error}),
                     (QStringList{r[0], r[2], r[3], r[4]}));
        }
    }

    // Every cut before the closing brace is refused whole, with the line where the file ends.
    void everyTruncationIsRefused() {
        const QByteArray bytes = BuildConfigFile(valuesWith({}), false, {}, SavedAt, UsEnglish);
        const qsizetype braceAt = bytes.lastIndexOf('}');
        for (qsizetype n = 0; n <= braceAt; ++n) {
            const ConfigParse parsed = ParseConfigFile(bytes.left(n));
            const qsizetype endLine = bytes.left(n).count('\n') + (n > 0 && bytes[n - 1] != '\n');
            QVERIFY2(!parsed.ok() && parsed.writes.isEmpty() &&
                         parsed.errorLine == std::max<qsizetype>(endLine, 1),
                     qPrintable(QString::number(n)));
        }
        QVERIFY(ParseConfigFile(bytes.left(braceAt + 1)).ok());
    }
};

QTEST_GUILESS_MAIN(TestRegMapStuff)
#include "tst_regmapstuff.moc"
