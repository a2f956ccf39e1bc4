#include "base/NumberText.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <limits>

class TestNumberText : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void leadingNumber_data();
    void leadingNumber();
    void leadingNumberExtremes();
    void isNumeric_data();
    void isNumeric();
    void roundHalfEven_data();
    void roundHalfEven();
    void roundHalfEvenSaturates();
    void leadingHex_data();
    void leadingHex();
    void hexAndAddressText();
    void signOrBlank_data();
    void signOrBlank();
    void sevenDigits_data();
    void sevenDigits();
    void sevenDigitsReadsBack();
    void logTimeText_data();
    void logTimeText();
    void logTimeSequences();
    void randomTextThroughEveryParser();
};

// A missing value is written as NaN in the tables.
void TestNumberText::leadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    const double none = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("digits then letter") << "12x" << 12.0;
    QTest::newRow("negative with unit") << "-3.5 V" << -3.5;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("leading blanks") << "  7" << 7.0;
    QTest::newRow("leading tab") << "\t8" << 8.0;
    QTest::newRow("plus sign") << "+4" << 4.0;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("exponent upper case, signed") << "2.5E-2x" << 0.025;
    QTest::newRow("exponent plus") << "3e+2" << 300.0;
    QTest::newRow("e without digits is not exponent") << "1e" << 1.0;
    QTest::newRow("e sign without digits") << "1e+" << 1.0;
    QTest::newRow("e then letter") << "7ex" << 7.0;
    QTest::newRow("second point ends it") << "1.2.3" << 1.2;
    QTest::newRow("leading zeros") << "007" << 7.0;
    QTest::newRow("negative zero is zero") << "-0" << 0.0;
    QTest::newRow("comma is not a separator") << "3,5" << 3.0;
    QTest::newRow("blank inside ends it") << "1 2" << 1.0;
    QTest::newRow("hex prefix reads as zero") << "0x1F" << 0.0;
    QTest::newRow("float text") << "33.3" << 33.3;
    QTest::newRow("underflow") << "1e-999" << 0.0;
    QTest::newRow("long zero fraction underflow") << "0.0000000001e-400" << 0.0;
    QTest::newRow("empty") << "" << none;
    QTest::newRow("letters") << "abc" << none;
    QTest::newRow("lone minus") << "-" << none;
    QTest::newRow("lone point") << "." << none;
    QTest::newRow("plus point") << "+." << none;
    QTest::newRow("minus point") << "-.e5" << none;
    QTest::newRow("only blanks") << "   " << none;
    QTest::newRow("sign then blank") << "- 5" << none;
    QTest::newRow("double sign") << "--5" << none;
    QTest::newRow("exponent alone") << "e5" << none;
    QTest::newRow("overflow") << "1e999" << none;
    QTest::newRow("overflow negative") << "-1e999 V" << none;
    QTest::newRow("overflow by digits") << QString(400, u'9') << none;
    QTest::newRow("fullwidth digit") << QString::fromUtf16(u"\uFF11\uFF12") << none;
    QTest::newRow("arabic-indic digit") << QString::fromUtf16(u"\u0663") << none;
    QTest::newRow("non-breaking space") << QString::fromUtf16(u"\u00A05") << none;
    QTest::newRow("digits then emoji") << QString::fromUtf16(u"42\U0001F600") << 42.0;
}

void TestNumberText::leadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    const std::optional<double> value = LeadingNumber(text);
    if (std::isnan(expected)) {
        QVERIFY2(!value.has_value(), qPrintable(QString::number(value.value_or(0))));
        QCOMPARE(LeadingNumberOrZero(text), 0.0);
    } else {
        QVERIFY(value.has_value());
        QCOMPARE(*value, expected);
        QVERIFY(!std::signbit(*value) || expected < 0);
        QCOMPARE(LeadingNumberOrZero(text), expected);
    }
}

void TestNumberText::leadingNumberExtremes() {
    // A thousand-digit integer part followed by a matching negative exponent is exactly 1.
    const QString longOne = u'1' + QString(1000, u'0') + QStringLiteral("e-1000");
    QCOMPARE(LeadingNumber(longOne), std::optional<double>(1.0));
    // Leading zeros beyond any buffer size do not matter.
    QCOMPARE(LeadingNumber(QString(100000, u'0') + u'5'), std::optional<double>(5.0));
    QCOMPARE(LeadingNumber(QStringLiteral("0.") + QString(100000, u'0') + u'5'), std::optional<double>(0.0));
    // An exponent far beyond any int.
    QCOMPARE(LeadingNumber(QStringLiteral("1e99999999999999999999999")), std::nullopt);
    QCOMPARE(LeadingNumber(QStringLiteral("1e-99999999999999999999999")), std::optional<double>(0.0));
    QCOMPARE(LeadingNumber(QStringLiteral("0e99999999999999999999999")), std::optional<double>(0.0));
    // Largest and smallest doubles still read.
    QCOMPARE(LeadingNumber(QStringLiteral("1.7976931348623157e308")),
             std::optional<double>(std::numeric_limits<double>::max()));
    QCOMPARE(LeadingNumber(QStringLiteral("4.9406564584124654e-324")),
             std::optional<double>(std::numeric_limits<double>::denorm_min()));
}

void TestNumberText::isNumeric_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::newRow("integer") << "45" << true;
    QTest::newRow("blanks around negative") << " -3.5 " << true;
    QTest::newRow("exponent") << "1e2" << true;
    QTest::newRow("point first") << ".5" << true;
    QTest::newRow("trailing point") << "5." << true;
    QTest::newRow("plus") << "+7" << true;
    QTest::newRow("tabs") << "\t12\t" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks only") << "  " << false;
    QTest::newRow("lone minus") << "-" << false;
    QTest::newRow("lone point") << "." << false;
    QTest::newRow("plus point") << "+." << false;
    QTest::newRow("trailing letter") << "12x" << false;
    QTest::newRow("trailing e") << "1e" << false;
    QTest::newRow("two numbers") << "1 2" << false;
    QTest::newRow("comma") << "3,5" << false;
    QTest::newRow("hex suffix") << "40h" << false;
    QTest::newRow("overflow") << "1e999" << false;
    QTest::newRow("fullwidth") << QString::fromUtf16(u"\uFF15") << false;
    QTest::newRow("line feed after") << "5\n" << false;
}

void TestNumberText::isNumeric() {
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QCOMPARE(IsNumeric(text), numeric);
}

void TestNumberText::roundHalfEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("2.5") << 2.5 << qint64(2);
    QTest::newRow("3.5") << 3.5 << qint64(4);
    QTest::newRow("-2.5") << -2.5 << qint64(-2);
    QTest::newRow("-3.5") << -3.5 << qint64(-4);
    QTest::newRow("0.5") << 0.5 << qint64(0);
    QTest::newRow("1.5") << 1.5 << qint64(2);
    QTest::newRow("-0.5") << -0.5 << qint64(0);
    QTest::newRow("40.5") << 40.5 << qint64(40);
    QTest::newRow("41.5") << 41.5 << qint64(42);
    QTest::newRow("76.5") << 76.5 << qint64(76);
    QTest::newRow("127.5") << 127.5 << qint64(128);
    QTest::newRow("just below half") << std::nextafter(2.5, 0.0) << qint64(2);
    QTest::newRow("just above half") << std::nextafter(2.5, 3.0) << qint64(3);
    QTest::newRow("just above even half") << std::nextafter(0.5, 1.0) << qint64(1);
    QTest::newRow("0.49999999999999994") << 0.49999999999999994 << qint64(0);
    QTest::newRow("2.4") << 2.4 << qint64(2);
    QTest::newRow("2.6") << 2.6 << qint64(3);
    QTest::newRow("-2.6") << -2.6 << qint64(-3);
    QTest::newRow("whole") << 7.0 << qint64(7);
    QTest::newRow("2^53 + 2") << 9007199254740994.0 << qint64(9007199254740994);
}

void TestNumberText::roundHalfEven() {
    QFETCH(double, value);
    QFETCH(qint64, expected);
    QCOMPARE(RoundHalfEven(value), expected);
}

void TestNumberText::roundHalfEvenSaturates() {
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    QCOMPARE(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), std::int64_t(0));
    QCOMPARE(RoundHalfEven(std::numeric_limits<double>::infinity()), max);
    QCOMPARE(RoundHalfEven(-std::numeric_limits<double>::infinity()), min);
    QCOMPARE(RoundHalfEven(1e300), max);
    QCOMPARE(RoundHalfEven(-1e300), min);
    QCOMPARE(RoundHalfEven(9223372036854775808.0), max);
    QCOMPARE(RoundHalfEven(-9223372036854775808.0), min);
    // The largest double below 2^63 is a whole number that fits.
    QCOMPARE(RoundHalfEven(9223372036854774784.0), std::int64_t(9223372036854774784));
}

void TestNumberText::leadingHex_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("expected");
    QTest::newRow("suffix h") << "40h" << 0x40u;
    QTest::newRow("suffix H") << "40H" << 0x40u;
    QTest::newRow("lower case") << "7f" << 0x7Fu;
    QTest::newRow("empty") << "" << 0u;
    QTest::newRow("no hex digit") << "zz" << 0u;
    QTest::newRow("letter digits") << "12C" << 0x12Cu;
    QTest::newRow("nine digits") << "123456789" << 0x12345678u;
    QTest::newRow("eight F") << "FFFFFFFF" << 0xFFFFFFFFu;
    QTest::newRow("many F") << QString(50, u'F') << 0xFFFFFFFFu;
    QTest::newRow("leading blanks") << "  2E" << 0x2Eu;
    QTest::newRow("stops at blank") << "2 E" << 0x2u;
    QTest::newRow("prefix 0x stops at x") << "0x1F" << 0u;
    QTest::newRow("sign is not a digit") << "-1" << 0u;
    QTest::newRow("leading zeros count as digits") << "00000001F" << 0x1u;
    QTest::newRow("fullwidth") << QString::fromUtf16(u"\uFF21") << 0u;
    QTest::newRow("g ends") << "abcg" << 0xABCu;
}

void TestNumberText::leadingHex() {
    QFETCH(QString, text);
    QFETCH(quint32, expected);
    QCOMPARE(LeadingHex(text), expected);
}

void TestNumberText::hexAndAddressText() {
    QCOMPARE(HexText(0), QStringLiteral("0"));
    QCOMPARE(HexText(0x7F), QStringLiteral("7F"));
    QCOMPARE(HexText(0x0A), QStringLiteral("A"));
    QCOMPARE(HexText(0xFFFFFFFFu), QStringLiteral("FFFFFFFF"));
    QCOMPARE(AddressText(0x2E), QStringLiteral("2Eh"));
    QCOMPARE(AddressText(0), QStringLiteral("0h"));
    QCOMPARE(AddressText(0xFF), QStringLiteral("FFh"));
    for (std::uint32_t v : {0u, 1u, 0x2Eu, 0xABCDu, 0x12345678u, 0xFFFFFFFFu}) {
        QCOMPARE(LeadingHex(HexText(v)), v);
        QCOMPARE(LeadingHex(AddressText(v)), v);
    }
}

void TestNumberText::signOrBlank_data() {
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("positive") << qint64(25) << " 25";
    QTest::newRow("zero") << qint64(0) << " 0";
    QTest::newRow("negative") << qint64(-5) << "-5";
    QTest::newRow("large") << qint64(5400000) << " 5400000";
    QTest::newRow("int64 min") << std::numeric_limits<qint64>::min() << "-9223372036854775808";
    QTest::newRow("int64 max") << std::numeric_limits<qint64>::max() << " 9223372036854775807";
}

void TestNumberText::signOrBlank() {
    QFETCH(qint64, value);
    QFETCH(QString, expected);
    QCOMPARE(SignOrBlank(value), expected);
}

void TestNumberText::sevenDigits_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("90") << 90.0 << "90";
    QTest::newRow("33.5") << 33.5 << "33.5";
    QTest::newRow("0.5") << 0.5 << "0.5";
    QTest::newRow("-10") << -10.0 << "-10";
    QTest::newRow("0") << 0.0 << "0";
    QTest::newRow("-0") << -0.0 << "0";
    QTest::newRow("1234567.8") << 1234567.8 << "1234568";
    QTest::newRow("1234567.4") << 1234567.4 << "1234567";
    QTest::newRow("9999999.6 carries") << 9999999.6 << "10000000";
    QTest::newRow("float 33.3") << double(33.3f) << "33.3";
    QTest::newRow("float 0.1") << double(0.1f) << "0.1";
    QTest::newRow("float -12.7") << double(-12.7f) << "-12.7";
    QTest::newRow("float 123.456") << double(123.456f) << "123.456";
    QTest::newRow("one third") << 1.0 / 3.0 << "0.3333333";
    QTest::newRow("two thirds") << -2.0 / 3.0 << "-0.6666667";
    QTest::newRow("small") << 0.00125 << "0.00125";
    QTest::newRow("five million four") << 5400000.0 << "5400000";
    QTest::newRow("eight digits") << 12345678.0 << "12345680";
    QTest::newRow("ten to the -7") << 1e-7 << "0.0000001";
    QTest::newRow("tiny") << 1.5e-9 << "1.5E-09";
    QTest::newRow("huge") << -1.2345678e20 << "-1.234568E+20";
    QTest::newRow("largest double") << std::numeric_limits<double>::max() << "1.797693E+308";
}

void TestNumberText::sevenDigits() {
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(SevenDigits(value), expected);
}

void TestNumberText::sevenDigitsReadsBack() {
    // What the program shows, typed back, gives the value it was shown for to seven digits.
    QRandomGenerator random(20240611);
    for (int i = 0; i < 5000; ++i) {
        const float value =
            static_cast<float>((random.generateDouble() - 0.5) * std::pow(10.0, random.bounded(-6, 9)));
        const QString text = SevenDigits(value);
        QVERIFY2(IsNumeric(text), qPrintable(text));
        QVERIFY2(!text.startsWith(u' ') && !text.startsWith(u'.') && !text.startsWith(QStringLiteral("-.")),
                 qPrintable(text));
        const double back = LeadingNumber(text).value();
        QVERIFY2(std::abs(back - value) <= std::abs(value) * 5e-7, qPrintable(text));
    }
    QCOMPARE(SevenDigits(std::numeric_limits<double>::infinity()), QStringLiteral("inf"));
    QVERIFY(!SevenDigits(std::numeric_limits<double>::quiet_NaN()).isEmpty());
}

void TestNumberText::logTimeText_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0") << 0.0 << "0";
    QTest::newRow("-0") << -0.0 << "0";
    QTest::newRow("0.1") << 0.1 << ".1";
    QTest::newRow("1.25") << 1.25 << "1.25";
    QTest::newRow("0.333") << 0.333 << ".333";
    QTest::newRow("12") << 12.0 << "12";
    QTest::newRow("10 keeps its zero") << 10.0 << "10";
    QTest::newRow("100.05") << 100.05 << "100.05";
    QTest::newRow("rounds to three") << 0.12345 << ".123";
    QTest::newRow("rounds up") << 0.9996 << "1";
    QTest::newRow("half to even down") << 0.0625 << ".062";
    QTest::newRow("half to even up") << 0.1875 << ".188";
    QTest::newRow("half to even 2.0625") << 2.0625 << "2.062";
    QTest::newRow("below a millisecond") << 0.0004 << "0";
    QTest::newRow("negative") << -0.5 << "-.5";
    QTest::newRow("one day") << 86400.001 << "86400.001";
    QTest::newRow("huge") << 1e20 << "100000000000000000000";
}

void TestNumberText::logTimeText() {
    QFETCH(double, seconds);
    QFETCH(QString, expected);
    QCOMPARE(LogTimeText(seconds), expected);
}

void TestNumberText::logTimeSequences() {
    const QStringList thirds = {"0", ".333", ".666", ".999", "1.332"};
    for (int n = 0; n < thirds.size(); ++n)
        QCOMPARE(LogTimeText(n * 333 / 1000.0), thirds[n]);
    const QStringList tenths = {"0", ".1", ".2", ".3", ".4", ".5", ".6", ".7", ".8", ".9", "1", "1.1"};
    for (int n = 0; n < tenths.size(); ++n)
        QCOMPARE(LogTimeText(n * 100 / 1000.0), tenths[n]);
    // A week of samples every 7 ms: every line's time is the exact product, never drifting.
    for (std::int64_t ms = 0; ms < 7LL * 24 * 3600 * 1000; ms += 7 * 999983) {
        const QString text = LogTimeText(static_cast<double>(ms) / 1000.0);
        QCOMPARE(RoundHalfEven(LeadingNumber(text).value() * 1000.0), ms);
    }
    QCOMPARE(LogTimeText(std::numeric_limits<double>::max()).size(), 309);
}

void TestNumberText::randomTextThroughEveryParser() {
    // Text built from the characters that matter to the parsers, plus a little of everything else.
    const QString alphabet = QStringLiteral("0123456789+-.eEhHxX abcdefABCDEF\t,;") +
                             QString::fromUtf16(u"\u00B0\u00A0\uFF11\u0663\U0001F600");
    QRandomGenerator random(0x5EED);
    int numericCount = 0;
    for (int i = 0; i < 20000; ++i) {
        QString text;
        const int length = random.bounded(0, 24);
        for (int k = 0; k < length; ++k) {
            if (random.bounded(50) == 0)
                text += QChar(static_cast<char16_t>(random.bounded(1, 0x10000)));
            else
                text += alphabet[random.bounded(alphabet.size())];
        }
        const std::optional<double> value = LeadingNumber(text);
        const bool numeric = IsNumeric(text);
        if (numeric) {
            ++numericCount;
            QVERIFY2(value.has_value(), qPrintable(text));
            // A numeric text trimmed of blanks is the same number with or without a trailing blank.
            QCOMPARE(LeadingNumber(text + u' '), value);
        }
        if (value) {
            QVERIFY2(std::isfinite(*value), qPrintable(text));
            QCOMPARE(LeadingNumberOrZero(text), *value);
            QVERIFY(!SevenDigits(*value).isEmpty());
            QVERIFY(!LogTimeText(*value).isEmpty());
            if (std::abs(*value) < 1e18)
                QVERIFY(std::abs(static_cast<double>(RoundHalfEven(*value)) - *value) <= 0.5);
        } else {
            QVERIFY2(!numeric, qPrintable(text));
            QCOMPARE(LeadingNumberOrZero(text), 0.0);
        }
        const std::uint32_t hex = LeadingHex(text);
        QCOMPARE(LeadingHex(HexText(hex)), hex);
    }
    // The generator does produce numeric texts, so the consistency check above was exercised.
    QVERIFY(numericCount > 100);
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
