// Reading typed numbers and writing numbers as text: the edge cases of each format.
#include "base/NumberText.h"
#include "support/Rows.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <tuple>

namespace {
constexpr double None = std::numeric_limits<double>::quiet_NaN(); // no leading number
constexpr qint64 Min = std::numeric_limits<qint64>::min();
} // namespace

class TestNumberText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void leadingNumberAndIsNumeric() {
        // Text, leading number (None: none), all a number; "-0" is 0, a fullwidth digit none; no length cap.
        using Read = std::tuple<QString, double, bool>;
        for (const auto& [text, value, numeric] :
             {Read{"12E", 12, false}, Read{"-3.5 V", -3.5, false}, Read{" -3.5 ", -3.5, true},
              Read{".5", 0.5, true}, Read{"2.5E-2", 0.025, true}, Read{"1e+", 1, false},
              Read{"1.2.3", 1.2, false}, Read{"-0", 0, true}, Read{"3,5", 3, false}, Read{"5\n", 5, false},
              Read{"", None, false}, Read{"abc", None, false}, Read{"-", None, false},
              Read{"- 5", None, false}, Read{"-1e999 V", None, false}, Read{QString(400, u'9'), None, false},
              Read{QString::fromUtf16(u"\uFF11"), None, false},
              Read{u'1' + QString(1000, u'0') + QStringLiteral("e-1000"), 1, true},
              Read{QString(100000, u'0') + u'5', 5, true}}) {
            const std::optional<double> read = LeadingNumber(text);
            QVERIFY(read ? *read == value && (!std::signbit(*read) || value < 0) : std::isnan(value));
            QCOMPARE(LeadingNumberOrZero(text), std::isnan(value) ? 0.0 : value);
            QCOMPARE(IsNumeric(text), numeric);
        }
        QCOMPARE(LeadingNumber("1e-400"), std::optional<double>(0.0)); // below a double's least: 0
    }

    void roundHalfEven() { // data/round-half-even.txt
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/round-half-even.txt"))
            QCOMPARE(r.first(1) << QString::number(RoundHalfEven(r[0].toDouble())), r);
    }

    void hexAddressAndSignText() { // data/typed-hex.txt
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/typed-hex.txt"))
            QCOMPARE(r.first(1) << QString::number(LeadingHex(r[0]), 16).toUpper(), r);
        QCOMPARE(
            (QStringList{HexText(0), HexText(0x0A), HexText(0xFFFFFFFFu), AddressText(0x2E), AddressText(0),
                         SignOrBlank(25), SignOrBlank(0), SignOrBlank(-5), SignOrBlank(Min)}),
            (QStringList{"0", "A", "FFFFFFFF", "2Eh", "0h", " 25", " 0", "-5", "-9223372036854775808"}));
    }

    void sevenDigits() { // data/seven-digits.txt; a float shows as typed, not as its double
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/seven-digits.txt"))
            QCOMPARE(r.first(1) << SevenDigits(r[0].toDouble()), r);
        QCOMPARE(SevenDigits(33.3f), QStringLiteral("33.3"));
    }

    void logTimeText() {
        // Times of successive lines are exact products of the interval: no drift.
        for (const auto& [step, texts] : {std::pair{100, QStringList{"0", ".1", ".2", ".3", ".4", ".5", ".6",
                                                                     ".7", ".8", ".9", "1", "1.1"}},
                                          {333, QStringList{"0", ".333", ".666", ".999", "1.332"}}})
            for (int n = 0; n < texts.size(); ++n)
                QCOMPARE(LogTimeText(n * step / 1000.0), texts[n]);
        for (const auto& [seconds, text] : {std::pair{0.0625, ".062"}, {0.1875, ".188"}, {-0.5, "-.5"}})
            QCOMPARE(LogTimeText(seconds), QString::fromLatin1(text));
    }

    void commandLineIntegers() { // data/command-line-integers.txt
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/command-line-integers.txt")) {
            const auto value = ParseInteger(r[0]);
            QCOMPARE(r.first(1) << (value ? QString::number(*value) : QStringLiteral("none")), r);
        }
    }

    void windows1252() { // each side of the C1 controls and of Latin-1; two of the code page's own above it
        QCOMPARE(ToWindows1252(QString::fromUtf16(u"a\u202Fb\u4E2D\x7F\x80\x9F\xA0\xFF\x100\x20AC\x178")),
                 QByteArray("a b?\x7F??\xA0\xFF?\x80\x9F"));
    }

    void typedIntervals() { // data/typed-intervals.txt
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/typed-intervals.txt"))
            QCOMPARE(r.first(2) << QString::number(TypedInterval(r[0], r[1].toInt()).value_or(-1)), r);
    }

    void spinnerSteps() { // data/spinner-steps.txt
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/spinner-steps.txt")) {
            const int increment = r[2].toInt();
            const double to =
                SpinnerStep(r[0].toDouble(), r[1].toInt(), 0, increment > 1 ? 20150 : 150, increment);
            QCOMPARE(r.first(3) << QString::number(to), r);
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
