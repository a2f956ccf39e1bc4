// The configuration file: its bytes as written, and how a recall reads them back.
#include "registers/ConfigFile.h"
#include "registers/RegMapStuff.h"

#include <QTest>

namespace {

const QLocale UsEnglish(QLocale::English, QLocale::UnitedStates);
const QDateTime SavedAt(QDate(2024, 3, 5), QTime(14, 7, 9));

int indexOf(int address) {
    return *FindRegisterByAddress(address);
}

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

// A comment with blanks around it, line breaks and a "{" that a recall must not take for the
// start of the register list; written trimmed, on one line, in Windows-1252 (0xB0: the degree sign).
const QString Comment = QString::fromUtf8("  bench 4,\r\n{fan curve B}\n25 °C  ");
const QByteArray Header =
    "Heldrix Semiconductor\r\nVORTANE Evaluation Software\r\n\r\nSaved: 3/5/24 at 2:07 PM\r\n\r\n"
    "Comment : bench 4, {fan curve B} 25 \260C\r\n\r\nAddress\tData\tRegister\r\n{\r\n";

} // namespace

class TestConfigFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wholeFileAndItsRecall() {
        const QList<ConfigValue> values = valuesWith({{indexOf(0x40), 3}, {indexOf(0x36), 0}, {98, 0x0C}});
        const QByteArray bytes = BuildConfigFile(values, false, Comment, SavedAt, UsEnglish);
        QVERIFY(bytes.startsWith(Header + "0x32\t0xFF\t // PWM1 Current Duty Cycle\r\n"));
        QVERIFY(bytes.endsWith("0x7F\t0xC\t // PEXIL Coef Select 2\r\n0x7B\t0x0\t // AFC\r\n}\r\n"));
        QCOMPARE(bytes.count("\r\n0x7F\t0x0\t // GPIO Enable\r\n"), 1);
        QVERIFY(bytes.count("\r\n") == 9 + 75 + 1 && bytes.count('\n') == 9 + 75 + 1);
        // Refused, rather than saved with a "?": the first character the file cannot hold, whole when
        // it lies beyond 16 bits. The euro sign has a byte, and a thin space is saved as a blank.
        QCOMPARE(ConfigCommentRefusal(Comment + QString::fromUtf16(u"\u20AC\u2009?")), QString());
        QCOMPARE(
            ConfigCommentRefusal(QString::fromUtf16(u"fan \U0001F600 \u03A9")),
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
        const QByteArray none = BuildConfigFile(valuesWith({}), true, Comment, SavedAt, UsEnglish);
        QCOMPARE(none, Header + "}\r\n");
        QVERIFY(BuildConfigFile(valuesWith({{indexOf(0x40), 3}, {indexOf(0x44), 0xF6}}), true, {}, SavedAt,
                                UsEnglish)
                    .endsWith("{\r\n0x40\t0x3\t // Configuration 1\r\n0x44\t0xF6\t // Temperature1 Low "
                              "Limit\r\n}\r\n"));
        QVERIFY(BuildConfigFile({{indexOf(0x20), 25}, {indexOf(0x40), 1}}, false, {}, SavedAt, UsEnglish)
                    .endsWith("{\r\n0x40\t0x1\t // Configuration 1\r\n}\r\n"));
    }

    void recallOfHandWrittenFiles() {
        // The file, its (address, value) writes, and the line and text of its error.
        const char* notARegisterLine = "the line does not hold a register address and value";
        for (const auto& [file, writes, line, error] :
             std::initializer_list<std::tuple<QByteArray, QList<int>, int, QString>>{
                 // LF line ends and one-digit values: no line is swallowed by the one before.
                 {"{\n0x40\t0x3\n0x44\t0x81\t\n0x45 0x7\n}\n", {0x40, 3, 0x44, 0x81, 0x45, 7}, 0, ""},
                 {"{\r\n0x7f\t0xab\t // names are not read\r\n\r\n}", {0x7F, 0xAB}, 0, ""},
                 {"Address\tData\tRegister\r\n{\r\n}\r\n", {}, 0, ""},
                 // A "{" and an "x" in the comment do not start the list.
                 {"Comment : {max fan x}\r\n{\r\n0x40\t0x1\t\r\n}\r\n", {0x40, 1}, 0, ""},
                 {"{ list\r\n0x40\t0x1\r\n}\r\n", {0x40, 1}, 0, ""},
                 // Refused whole: nothing of the file is written.
                 {"{\r\n0x40\r\n0x41\t0x02\r\n}\r\n", {}, 2, notARegisterLine},
                 {"{\r\n0x40\t0x1\r\n0X41\t0X1\t // a\r\n}\r\n", {}, 3, notARegisterLine},
                 {"{\r\n0x4O\t0x1\r\n}\r\n", {}, 2, notARegisterLine},
                 {"{\r\n0x40\t0x100\r\n}\r\n", {}, 2, notARegisterLine},
                 {"{\r\n0x40\t0x1\r\n0x20\t0x0\r\n}", {}, 3, "register 0x20 (Temperature 1) is read-only"},
                 {"{\r\n0x90\t0x1\r\n}\r\n", {}, 2, "no register at address 0x90"},
                 {"{\r\n0x40\t0x1\r\n0x4", {}, 3, "the file ends inside the register line"},
                 {"{\r\n0x40\t0x1\r\n", {}, 2, "the file ends before its closing \"}\""},
                 {"Address\tData\r\n0x40\t0x1\r\n", {}, 2, "no \"{\" starts the register list"}}) {
            const ConfigParse parsed = ParseConfigFile(file);
            QCOMPARE(parsed.errorLine, line);
            QCOMPARE(parsed.error, error);
            QList<int> got;
            for (const ConfigWrite& w : parsed.writes)
                got << w.address << w.value;
            QCOMPARE(got, writes);
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

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
