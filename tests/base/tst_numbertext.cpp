// Reading typed numbers and writing numbers as text: the edge cases of each format, and random
// text through every parser.
#include "base/NumberText.h"

#include <QRandomGenerator>
#include <QTest>

#include <tuple>

#include <cmath>
#include <limits>

namespace {
constexpr double None = std::numeric_limits<double>::quiet_NaN(); // no leading number
constexpr qint64 Max = std::numeric_limits<qint64>::max();
constexpr qint64 Min = std::numeric_limits<qint64>::min();
} // namespace

class TestNumberText : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void leadingNumberAndIsNumeric_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("numeric");
        QTest::newRow("digits then letter") << "12x" << 12.0 << false;
        QTest::newRow("negative with unit") << "-3.5 V" << -3.5 << false;
        QTest::newRow("blanks around negative") << " -3.5 " << -3.5 << true;
        QTest::newRow("point first") << ".5" << 0.5 << true;
        QTest::newRow("exponent") << "2.5E-2" << 0.025 << true;
        QTest::newRow("e without digits") << "1e+" << 1.0 << false;
        QTest::newRow("second point ends it") << "1.2.3" << 1.2 << false;
        QTest::newRow("negative zero is zero") << "-0" << 0.0 << true;
        QTest::newRow("comma is not a separator") << "3,5" << 3.0 << false;
        QTest::newRow("line feed after") << "5\n" << 5.0 << false;
        QTest::newRow("empty") << "" << None << false;
        QTest::newRow("letters") << "abc" << None << false;
        QTest::newRow("lone minus") << "-" << None << false;
        QTest::newRow("sign then blank") << "- 5" << None << false;
        QTest::newRow("overflow") << "-1e999 V" << None << false;
        QTest::newRow("overflow by digits") << QString(400, u'9') << None << false;
        QTest::newRow("fullwidth digit") << QString::fromUtf16(u"\uFF11") << None << false;
        QTest::newRow("longer than any buffer")
            << u'1' + QString(1000, u'0') + QStringLiteral("e-1000") << 1.0 << true;
        QTest::newRow("leading zeros beyond any buffer") << QString(100000, u'0') + u'5' << 5.0 << true;
    }
    void leadingNumberAndIsNumeric() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(bool, numeric);
        const std::optional<double> read = LeadingNumber(text);
        if (std::isnan(value)) {
            QVERIFY2(!read.has_value(), qPrintable(QString::number(read.value_or(0))));
            QCOMPARE(LeadingNumberOrZero(text), 0.0);
        } else {
            QVERIFY(read.has_value());
            QCOMPARE(*read, value);
            QVERIFY(!std::signbit(*read) || value < 0);
        }
        QCOMPARE(IsNumeric(text), numeric);
    }

    void roundHalfEven_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("expected");
        for (auto [tie, even] :
             {std::pair{2.5, 2}, {3.5, 4}, {-2.5, -2}, {40.5, 40}, {41.5, 42}, {76.5, 76}, {127.5, 128}})
            QTest::addRow("%g", tie) << tie << qint64(even);
        QTest::newRow("just above half") << std::nextafter(2.5, 3.0) << qint64(3);
        QTest::newRow("0.49999999999999994") << 0.49999999999999994 << qint64(0);
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << qint64(0);
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << Max;
        QTest::newRow("-1e300") << -1e300 << Min;
        QTest::newRow("2^63") << 9223372036854775808.0 << Max;
        QTest::newRow("largest below 2^63") << 9223372036854774784.0 << qint64(9223372036854774784);
    }
    void roundHalfEven() {
        QFETCH(double, value);
        QFETCH(qint64, expected);
        QCOMPARE(RoundHalfEven(value), expected);
    }

    void leadingHex_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("expected");
        QTest::newRow("suffix h") << "40h" << 0x40u;
        QTest::newRow("lower case") << "7f" << 0x7Fu;
        QTest::newRow("empty") << "" << 0u;
        QTest::newRow("no hex digit") << "zz" << 0u;
        QTest::newRow("letter digits") << "12C" << 0x12Cu;
        QTest::newRow("nine digits") << "123456789" << 0x12345678u;
        QTest::newRow("leading blanks") << "  2E" << 0x2Eu;
        QTest::newRow("prefix 0x stops at x") << "0x1F" << 0u;
    }
    void leadingHex() {
        QFETCH(QString, text);
        QFETCH(quint32, expected);
        QCOMPARE(LeadingHex(text), expected);
    }

    void hexAddressAndSignText() {
        QCOMPARE(HexText(0), QStringLiteral("0"));
        QCOMPARE(HexText(0x0A), QStringLiteral("A"));
        QCOMPARE(HexText(0xFFFFFFFFu), QStringLiteral("FFFFFFFF"));
        QCOMPARE(AddressText(0x2E), QStringLiteral("2Eh"));
        QCOMPARE(AddressText(0), QStringLiteral("0h"));
        QCOMPARE(SignOrBlank(25), QStringLiteral(" 25"));
        QCOMPARE(SignOrBlank(0), QStringLiteral(" 0"));
        QCOMPARE(SignOrBlank(-5), QStringLiteral("-5"));
        QCOMPARE(SignOrBlank(Min), QStringLiteral("-9223372036854775808"));
    }

    void sevenDigits_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("90") << 90.0 << "90";
        QTest::newRow("33.5") << 33.5 << "33.5";
        QTest::newRow("0.5") << 0.5 << "0.5";
        QTest::newRow("-10") << -10.0 << "-10";
        QTest::newRow("1234567.8") << 1234567.8 << "1234568";
        QTest::newRow("9999999.6 carries") << 9999999.6 << "10000000";
        QTest::newRow("float 33.3") << double(33.3f) << "33.3";
        QTest::newRow("ten to the -7") << 1e-7 << "0.0000001";
        QTest::newRow("tiny") << 1.5e-9 << "1.5E-09";
        QTest::newRow("huge") << -1.2345678e20 << "-1.234568E+20";
    }
    void sevenDigits() {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(SevenDigits(value), expected);
    }

    void logTimeText() {
        // Times of successive lines are exact products of the interval: no drift.
        const QStringList tenths{"0", ".1", ".2", ".3", ".4", ".5", ".6", ".7", ".8", ".9", "1", "1.1"};
        for (int n = 0; n < tenths.size(); ++n)
            QCOMPARE(LogTimeText(n * 100 / 1000.0), tenths[n]);
        const QStringList thirds{"0", ".333", ".666", ".999", "1.332"};
        for (int n = 0; n < thirds.size(); ++n)
            QCOMPARE(LogTimeText(n * 333 / 1000.0), thirds[n]);
        QCOMPARE(LogTimeText(0.0625), QStringLiteral(".062"));
        QCOMPARE(LogTimeText(0.1875), QStringLiteral(".188"));
        QCOMPARE(LogTimeText(-0.5), QStringLiteral("-.5"));
    }

    void randomTextThroughEveryParser() {
        // Text built from the characters that matter to the parsers, plus a little of everything else.
        const QString alphabet = QStringLiteral("0123456789+-.eEhHxX abcdefABCDEF\t,;") +
                                 QString::fromUtf16(u"\u00B0\u00A0\uFF11\u0663\U0001F600");
        QRandomGenerator random(0x5EED);
        int numericCount = 0;
        for (int i = 0; i < 5000; ++i) {
            QString text;
            const int length = random.bounded(0, 24);
            for (int k = 0; k < length; ++k) {
                if (random.bounded(50) == 0)
                    text += QChar(static_cast<char16_t>(random.bounded(1, 0x10000)));
                else
                    text += alphabet[random.bounded(alphabet.size())];
            }
            const std::optional<double> value = LeadingNumber(text);
            if (IsNumeric(text)) {
                ++numericCount;
                QVERIFY2(value.has_value(), qPrintable(text));
                QCOMPARE(LeadingNumber(text + u' '), value);
            }
            if (value) {
                QVERIFY2(std::isfinite(*value), qPrintable(text));
                QCOMPARE(LeadingNumberOrZero(text), *value);
                // What the program shows, typed back, is the value to seven digits.
                const QString shown = SevenDigits(*value);
                QVERIFY2(IsNumeric(shown), qPrintable(shown));
                if (std::abs(*value) > 1e-300)
                    QVERIFY2(std::abs(LeadingNumberOrZero(shown) - *value) <= std::abs(*value) * 5e-7,
                             qPrintable(text + QStringLiteral(" -> ") + shown));
                if (std::abs(*value) < 1e18)
                    QVERIFY(std::abs(static_cast<double>(RoundHalfEven(*value)) - *value) <= 0.5);
            } else {
                QCOMPARE(LeadingNumberOrZero(text), 0.0);
            }
            const std::uint32_t hex = LeadingHex(text);
            QCOMPARE(LeadingHex(HexText(hex)), hex);
        }
        QVERIFY(numericCount > 50); // the consistency checks above were exercised
    }

    void commandLineIntegers() {
        for (const auto& [text, value] :
             {std::pair{"0x2C", 44}, {"0X2c", 44}, {"2Ch", 44}, {"-5", -5}, {" +12 ", 12}})
            QCOMPARE(ParseInteger(text).value_or(-1000), value);
        for (const char* text :
             {"", "0x", "h", "0x-5", "12x", "1.5", "0x1G", "--5", "\u0663", "0xFFFFFFFFFFFFFFFFFF"})
            QVERIFY2(!ParseInteger(QString::fromUtf8(text)), text);
        QCOMPARE(ParseInteger(QStringLiteral("010")).value_or(-1), 10); // not octal
    }

    void windows1252() {
        QCOMPARE(ToWindows1252(QStringLiteral("25\u00B0C \u20AC")), QByteArray("25\xB0" "C \x80"));
        QCOMPARE(ToWindows1252(QStringLiteral("a\u202Fb\u4E2D")), QByteArray("a b?"));
    }

    void spinnerSteps() {
        using Step = std::tuple<double, int, int, double>; // from, steps, increment, to
        for (const auto& [current, steps, increment, next] :
             {Step{40.5, 1, 1, 41}, Step{40.5, -1, 1, 40}, Step{150, 1, 1, 150}, Step{0, -1, 1, 0},
              Step{200, 1, 1, 150}, Step{-5, -1, 1, 0}, Step{1234, 1, 50, 1250}, Step{1234, -1, 50, 1200},
              Step{1250, 2, 50, 1350}})
            QCOMPARE(SpinnerStep(current, steps, 0, 150 + (increment > 1 ? 20000 : 0), increment), next);
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
