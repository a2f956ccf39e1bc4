// Reading typed numbers and writing numbers as text: the edge cases of each format.
#include "base/NumberText.h"
#include "support/Rows.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestNumberText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void leadingNumberAndIsNumeric() { // data/leading-numbers.txt, then texts a line of it cannot hold
        const auto read = [](const QString& text) {
            const std::optional<double> n = LeadingNumber(text);
            return QStringList{n ? QString::number(*n) : QStringLiteral("none"),
                               IsNumeric(text) ? "yes" : "no"};
        };
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/leading-numbers.txt"))
            QCOMPARE(r.first(1) + read(r[0]), r);
        QCOMPARE((QList{read("5\n"), read("\t5.\t"), read(QString(400, u'9')),
                        read(u'1' + QString(1000, u'0') + "e-1000"), read(QString(100000, u'0') + u'5')}),
                 (QList<QStringList>{{"5", "no"}, {"5", "yes"}, {"none", "no"}, {"1", "yes"}, {"5", "yes"}}));
        QVERIFY(!std::signbit(*LeadingNumber("-0"))); // "-0" is plain 0
        QCOMPARE(std::pair(LeadingNumberOrZero("-2.5x"), LeadingNumberOrZero("x")), std::pair(-2.5, 0.0));
    }

    void roundHalfEven() { // data/round-half-even.txt
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/round-half-even.txt"))
            QCOMPARE(r.first(1) << QString::number(RoundHalfEven(r[0].toDouble())), r);
    }

    void hexAddressAndSignText() { // data/typed-hex.txt
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/typed-hex.txt"))
            QCOMPARE(r.first(1) << QString::number(LeadingHex(r[0]), 16).toUpper(), r);
        QCOMPARE((QStringList{HexText(0), HexText(0x0A), HexText(0xFFFFFFFFu), AddressText(0x2E),
                              AddressText(0), SignOrBlank(25), SignOrBlank(0), SignOrBlank(-5),
                              SignOrBlank(std::numeric_limits<qint64>::min())}),
                 (QStringList{"0", "A", "FFFFFFFF", "2Eh", "0h", " 25", " 0", "-5", "-9223372036854775808"}));
    }

    void sevenDigits() { // data/seven-digits.txt; a float shows as typed, not as its double
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/seven-digits.txt"))
            QCOMPARE(r.first(1) << SevenDigits(r[0].toDouble()), r);
        QCOMPARE(SevenDigits(33.3f), QStringLiteral("33.3"));
    }

    void logTimeText() { // data/log-times.txt
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/log-times.txt"))
            QCOMPARE(r.first(2) << LogTimeText(r[0].toInt() * r[1].toDouble() / 1000.0), r);
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
