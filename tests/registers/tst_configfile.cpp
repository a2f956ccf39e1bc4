// The configuration file: its bytes as written, and how a recall reads them back.
#include "registers/ConfigFile.h"
#include "registers/RegMapStuff.h"

#include <QRandomGenerator>
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

QList<QByteArray> linesOf(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

const QByteArray Header = "Heldrix Semiconductor\r\n"
                          "VORTANE Evaluation Software\r\n"
                          "\r\n"
                          "Saved: 3/5/24 at 2:07 PM\r\n"
                          "\r\n"
                          "Comment : bench 4, fan curve B\r\n"
                          "\r\n"
                          "Address\tData\tRegister\r\n"
                          "{\r\n";

} // namespace

class TestConfigFile : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void registerLines_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("line");
        QTest::newRow("0x40 holding 1") << indexOf(0x40) << 1 << "0x40\t0x1\t // Configuration 1";
        QTest::newRow("zero") << indexOf(0x36) << 0 << "0x36\t0x0\t // Fans Not Present";
        QTest::newRow("two digits") << indexOf(0x32) << 0xFF << "0x32\t0xFF\t // PWM1 Current Duty Cycle";
        QTest::newRow("upper-case digits") << indexOf(0x7E) << 0x0A << "0x7E\t0xA\t // PEXIL Coef Select 1";
        QTest::newRow("second name of 0x7F") << 98 << 0x0C << "0x7F\t0xC\t // PEXIL Coef Select 2";
        QTest::newRow("second name of 0x7B") << 99 << 3 << "0x7B\t0x3\t // AFC";
    }
    void registerLines() {
        QFETCH(int, index);
        QFETCH(int, value);
        QFETCH(QString, line);
        QCOMPARE(ConfigRegisterLine(index, value), line);
    }

    void aSaveCoversEveryWritableEntryOnce() {
        const QList<int> indices = ConfigRegisterIndices();
        QCOMPARE(indices.size(), 75);
        QCOMPARE(indices.front(), indexOf(0x32));
        QCOMPARE(indices.back(), 99);
        QVERIFY(std::is_sorted(indices.begin(), indices.end()));
        for (int i : indices)
            QVERIFY(!BuildRegisterTable()[static_cast<std::size_t>(i)].ReadOnly);
        QVERIFY(indices.contains(indexOf(0x7F)) && indices.contains(98));
        QVERIFY(indices.contains(indexOf(0x7B)) && indices.contains(99));
    }

    void wholeFileBytes() {
        const QByteArray bytes =
            BuildConfigFile(valuesWith({{indexOf(0x40), 3}, {98, 0x0C}}), false,
                            QStringLiteral("  bench 4, fan curve B  "), SavedAt, UsEnglish);
        QVERIFY(bytes.startsWith(Header));
        QVERIFY(bytes.endsWith("0x7B\t0x0\t // AFC\r\n}\r\n"));
        const QList<QByteArray> lines = linesOf(bytes);
        QCOMPARE(lines.size(), 9 + 75 + 1);
        for (const QByteArray& line : lines)
            QVERIFY2(line.endsWith('\r'), line.constData());
        QCOMPARE(lines[9], QByteArray("0x32\t0xFF\t // PWM1 Current Duty Cycle\r"));
        QVERIFY(lines.contains("0x40\t0x3\t // Configuration 1\r"));
        QCOMPARE(lines.count("0x7F\t0x0\t // GPIO Enable\r"), 1);
        QCOMPARE(lines[82], QByteArray("0x7F\t0xC\t // PEXIL Coef Select 2\r"));
        QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
    }

    void onlyChangedWithEveryDefaultHasAnEmptyList() {
        const QByteArray bytes =
            BuildConfigFile(valuesWith({}), true, QStringLiteral("bench 4, fan curve B"), SavedAt, UsEnglish);
        QCOMPARE(bytes, Header + "}\r\n");
        const ConfigParse parsed = ParseConfigFile(bytes);
        QVERIFY(parsed.ok());
        QVERIFY(parsed.writes.isEmpty());
    }

    void onlyChangedKeepsTheChangedRegisters() {
        const QByteArray bytes = BuildConfigFile(valuesWith({{indexOf(0x40), 3}, {indexOf(0x44), 0xF6}}),
                                                 true, {}, SavedAt, UsEnglish);
        QVERIFY(bytes.endsWith(
            "{\r\n0x40\t0x3\t // Configuration 1\r\n0x44\t0xF6\t // Temperature1 Low Limit\r\n}\r\n"));
    }

    void readOnlyEntriesGetNoLine() {
        const QByteArray bytes =
            BuildConfigFile({{indexOf(0x20), 25}, {indexOf(0x40), 1}}, false, {}, SavedAt, UsEnglish);
        QVERIFY(bytes.endsWith("{\r\n0x40\t0x1\t // Configuration 1\r\n}\r\n"));
    }

    void commentAndDateText_data() {
        QTest::addColumn<QString>("comment");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QByteArray>("lines4to6");
        QTest::newRow("C locale") << QString() << QLocale::c()
                                  << QByteArray("Saved: 5 Mar 2024 at 14:07:09\r\n\r\nComment : \r\n");
        QTest::newRow("German") << QString() << QLocale(QLocale::German, QLocale::Germany)
                                << QByteArray("Saved: 05.03.24 at 14:07\r\n\r\nComment : \r\n");
        QTest::newRow("line breaks kept out")
            << QStringLiteral("one\r\ntwo\nthree") << QLocale::c()
            << QByteArray("Saved: 5 Mar 2024 at 14:07:09\r\n\r\nComment : one two three\r\n");
        QTest::newRow("8-bit text") << QString::fromUtf8("25 °C ✓") << QLocale::c()
                                    << QByteArray("Saved: 5 Mar 2024 at 14:07:09\r\n\r\nComment : 25 \xB0"
                                                  "C ?\r\n");
        QTest::newRow("only blanks trimmed")
            << QStringLiteral("\t x \t") << QLocale::c()
            << QByteArray("Saved: 5 Mar 2024 at 14:07:09\r\n\r\nComment : \t x \t\r\n");
    }
    void commentAndDateText() {
        QFETCH(QString, comment);
        QFETCH(QLocale, locale);
        QFETCH(QByteArray, lines4to6);
        const QByteArray bytes = BuildConfigFile({}, false, comment, SavedAt, locale);
        QVERIFY2(bytes.contains("\r\n\r\n" + lines4to6 + "\r\nAddress"), bytes.constData());
    }

    void recallReadsBackWhatASaveWrote() {
        const QByteArray bytes = BuildConfigFile(
            valuesWith({{indexOf(0x40), 3}, {indexOf(0x36), 0}, {98, 0x0C}}), false, {}, SavedAt, UsEnglish);
        const ConfigParse parsed = ParseConfigFile(bytes);
        QVERIFY(parsed.ok());
        QCOMPARE(parsed.writes.size(), 75);
        const QList<int> indices = ConfigRegisterIndices();
        for (int k = 0; k < 75; ++k) {
            const RegisterEntry& e = BuildRegisterTable()[static_cast<std::size_t>(indices[k])];
            QCOMPARE(parsed.writes[k].address, e.Address);
            QCOMPARE(parsed.writes[k].line, 10 + k);
        }
        const auto valueOf = [&](int address) {
            return parsed.writes[indices.indexOf(indexOf(address))].value;
        };
        QCOMPARE(valueOf(0x32), 0xFF);
        QCOMPARE(valueOf(0x36), 0); // "0" and TAB read as 0
        QCOMPARE(valueOf(0x40), 3);
        QCOMPARE(parsed.writes[73].value, 0x0C); // 0x7F under its second name
        QCOMPARE(parsed.writes[73].address, 0x7F);
        QCOMPARE(parsed.writes[74].address, 0x7B);
    }

    void recallOfHandWrittenFiles_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<int>>("addressesAndValues");
        QTest::addColumn<int>("errorLine");
        QTest::newRow("line feeds only")
            << QByteArray("{\n0x40\t0x3\t\n0x44\t0x81\n}\n") << QList<int>{0x40, 3, 0x44, 0x81} << 0;
        QTest::newRow("a brace in the comment")
            << QByteArray("Maker\r\nComment : {curly} "
                          "notes\r\n\r\nAddress\tData\tRegister\r\n{\r\n0x40\t0x1\t // x\r\n}\r\n")
            << QList<int>{0x40, 1} << 0;
        QTest::newRow("names are not read")
            << QByteArray("{\r\n0x40\t0x5\t // anything at all\r\n}") << QList<int>{0x40, 5} << 0;
        QTest::newRow("lower-case hex")
            << QByteArray("{\r\n0x7f\t0xab\t\r\n}\r\n") << QList<int>{0x7F, 0xAB} << 0;
        QTest::newRow("upper-case 0X is no marker")
            << QByteArray("{\r\n0X40\t0X1\t // a\r\n}\r\n") << QList<int>{} << 3;
        QTest::newRow("no brace") << QByteArray("Address\tData\r\n0x40\t0x1\r\n") << QList<int>{} << 2;
        QTest::newRow("empty") << QByteArray() << QList<int>{} << 1;
        QTest::newRow("no closing brace")
            << QByteArray("{\r\n0x40\t0x1\t // a\r\n0x41\t0x2\t // b\r\n") << QList<int>{} << 3;
        QTest::newRow("ends inside a line")
            << QByteArray("{\r\n0x40\t0x1\t // a\r\n0x41\t0") << QList<int>{} << 3;
        QTest::newRow("value missing") << QByteArray("{\r\n0x40\r\n}\r\n") << QList<int>{} << 3;
    }
    void recallOfHandWrittenFiles() {
        QFETCH(QByteArray, file);
        QFETCH(QList<int>, addressesAndValues);
        QFETCH(int, errorLine);
        const ConfigParse parsed = ParseConfigFile(file);
        QCOMPARE(parsed.errorLine, errorLine);
        QCOMPARE(parsed.ok(), errorLine == 0);
        QList<int> got;
        for (const ConfigWrite& w : parsed.writes)
            got << w.address << w.value;
        QCOMPARE(got, addressesAndValues);
    }

    void errorsNameTheProblem() {
        QCOMPARE(ParseConfigFile("no list here\r\n").error,
                 QStringLiteral("no \"{\" starts the register list"));
        QCOMPARE(ParseConfigFile("{\r\n0x40\t0x1\t // a\r\n").error,
                 QStringLiteral("the file ends before its closing \"}\""));
        QCOMPARE(ParseConfigFile("{\r\n0x40\t0").error,
                 QStringLiteral("the file ends inside the register line"));
    }

    // Every cut before the closing brace is refused whole, with the line where the file ends.
    void everyTruncationIsRefused() {
        const QByteArray bytes = BuildConfigFile(valuesWith({}), false, {}, SavedAt, UsEnglish);
        const qsizetype braceAt = bytes.lastIndexOf('}');
        for (qsizetype n = 0; n <= braceAt; ++n) {
            const QByteArray cut = bytes.left(n);
            const ConfigParse parsed = ParseConfigFile(cut);
            QVERIFY2(!parsed.ok(), qPrintable(QString::number(n)));
            QVERIFY(parsed.writes.isEmpty());
            const int lastLine =
                static_cast<int>(cut.count('\n')) + (cut.endsWith('\n') || cut.isEmpty() ? 0 : 1);
            QCOMPARE(parsed.errorLine, std::max(lastLine, 1));
        }
        QVERIFY(ParseConfigFile(bytes.left(braceAt + 1)).ok());
    }

    void randomInputNeverCrashes() {
        QRandomGenerator random(12345);
        const QByteArray alphabet("{}xX0123456789abcdefABCDEF\t\r\n /");
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes(random.bounded(200), '\0');
            const bool markersOnly = round % 2 == 0;
            for (char& b : bytes)
                b = markersOnly ? alphabet[random.bounded(static_cast<int>(alphabet.size()))]
                                : static_cast<char>(random.bounded(256));
            const ConfigParse parsed = ParseConfigFile(bytes);
            const int lines = static_cast<int>(bytes.count('\n')) + 1;
            if (!parsed.ok()) {
                QVERIFY(parsed.writes.isEmpty());
                QVERIFY(parsed.errorLine >= 1 && parsed.errorLine <= lines);
            }
            for (const ConfigWrite& w : parsed.writes) {
                QVERIFY(w.address >= 0 && w.address <= 0xFF);
                QVERIFY(w.value >= 0 && w.value <= 0xFF);
                QVERIFY(w.line >= 1 && w.line <= lines);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
