// Intel HEX images: what a good image yields (ranges checked against srec_info), the line and the
// reason for each kind of corruption, and the firmware-load writes an image becomes.
#include "board/usb/IntelHex.h"
#include "board/usb/UsbController.h"

#include <QFile>
#include <QTest>

namespace {

// blink.hex: sdcc's output, packed by packihx; blink-srec.hex: the same image as srecord writes it
// (srec_cat blink.hex -intel -o blink-srec.hex -intel -output_block_size=16).
QByteArray sample(const char* name = "blink.hex") {
    QFile f(QStringLiteral(VORTANE_TEST_DATA "/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The sample with one of its lines replaced, or cut off after a line.
QByteArray edited(int line, const QByteArray& replacement) {
    QList<QByteArray> lines = sample().split('\n');
    lines[line - 1] = replacement;
    return lines.join('\n');
}

// "0010/3/112233" per run (address, length, up to eight bytes), or "line 2: reason".
QString outcome(const HexImage& image) {
    if (!image.ok) return QStringLiteral("line %1: %2").arg(image.errorLine).arg(image.error);
    QStringList out;
    for (const HexBlock& b : image.blocks)
        out << QStringLiteral("%1/%2/").arg(b.address, 4, 16, QLatin1Char('0')).arg(b.bytes.size()) +
                   QString::fromLatin1(b.bytes.left(8).toHex());
    return out.join(QLatin1Char(' '));
}

} // namespace

class TestIntelHex : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void images_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");
        const QByteArray eof = ":00000001FF\n";
        const QString blink = "0000/163/0200060200627581";
        QTest::newRow("sdcc sample: one run 0000-00A2") << sample() << blink;
        // Whatever follows the end-of-file record is not read: a tool's note, a DOS Ctrl+Z.
        QTest::newRow("srecord's copy, a note after its end")
            << sample("blink-srec.hex") + "; srec_cat -output_block_size=16\n:1" << blink;
        QTest::newRow("Ctrl+Z on the end-of-file line") << sample().trimmed() + "\x1A\x1A" << blink;
        QTest::newRow("Ctrl+Z before the end") << sample().replace(":00000001FF", "\x1A:00000001FF")
                                               << "line 18: the image ends without its end-of-file record";
        QTest::newRow("Ctrl+Z first: an empty DOS file")
            << "\x1A" + sample() << "line 1: the image ends without its end-of-file record";
        QTest::newRow("segment base; offsets wrap in their segment")
            << ":020000021000EC\n:03FFFF00AABBCCCE\n" + eof << "10000/2/bbcc 1ffff/1/aa";
        QTest::newRow("linear base, CR LF, blank line, lower case, start record")
            << QByteArray(":020000040001f9\r\n\r\n:020010001122bb\r\n:0400000500000100F6\r\n:00000001FF\r\n")
            << "10010/2/1122";
        QTest::newRow("adjacent records join, a byte given twice alike")
            << ":020010001122BB\n:02001100223398\n" + eof << "0010/3/112233";
        QTest::newRow("a byte given two values") << ":020010001122BB\n:02001100334476\n" + eof
                                                 << "line 2: address 0011h is given two different values";
        QTest::newRow("flipped checksum") << edited(4, ":100062007F008F0574075DFB7C00249BF582EC34D7")
                                          << "line 4: checksum 0xD7, expected 0xD6";
        QTest::newRow("cut line") << edited(10, ":100013007900E944006")
                                  << "line 10: the record is cut short (16 data bytes announced, 4 present)";
        QTest::newRow("bad record type")
            << edited(2, ":03005F0602000393") << "line 2: unknown record type 06";
        QTest::newRow("truncated copy") << sample().left(sample().indexOf(":0D0006"))
                                        << "line 16: the image ends without its end-of-file record";
        QTest::newRow("empty") << QByteArray() << "line 1: the image ends without its end-of-file record";
        QTest::newRow("no data") << eof + ":020010001122BB\n"
                                 << "line 1: no data: the image has no data records";
        QTest::newRow("no colon") << "020010001122BB\n" + eof << "line 1: a record must start with ':'";
        QTest::newRow("not hex") << ":02001000112GBB\n" + eof
                                 << "line 1: '2G' is not a hexadecimal digit pair";
        QTest::newRow("stray digit") << ":020010001122BB0\n" + eof << "line 1: the record has a stray digit";
        QTest::newRow("too long") << ":010010001122BB\n" + eof
                                  << "line 1: the record is longer than its 1 data bytes";
        QTest::newRow("end with data")
            << QByteArray(":0100000100FE\n") << "line 1: the end-of-file record carries data";
        QTest::newRow("address record of three bytes")
            << ":03000004000100F8\n" + eof << "line 1: an address record must carry two bytes";
    }
    void images() {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        QCOMPARE(outcome(ParseIntelHex(text)), expected);
    }

    // Held in reset, loaded in chunks in address order, released; nothing outside the RAM.
    void firmwareLoadWrites() {
        HexImage image;
        image.blocks = {{0x0000, QByteArray(1030, '\x5A')}, {0xE000, QByteArray("\x01\x02", 2)}};
        QString error;
        const std::vector<FirmwareWrite> writes = FirmwareLoadWrites(image, EzUsbFx2, error);
        const std::vector<FirmwareWrite> expected{{0xE600, QByteArray(1, '\x01')},
                                                  {0x0000, QByteArray(1024, '\x5A')},
                                                  {0x0400, QByteArray(6, '\x5A')},
                                                  {0xE000, QByteArray("\x01\x02", 2)},
                                                  {0xE600, QByteArray(1, '\x00')}};
        QVERIFY(writes == expected);
        QVERIFY(error.isEmpty());

        for (const HexBlock& outside :
             {HexBlock{0x3FFF, QByteArray(2, '\0')}, HexBlock{0xE600, QByteArray(1, '\0')}}) {
            image.blocks = {outside};
            QVERIFY(FirmwareLoadWrites(image, EzUsbFx2, error).empty());
            QVERIFY2(error.endsWith(QLatin1String("outside the EZ-USB FX2's loadable memory")),
                     qPrintable(error));
        }
    }
};

QTEST_GUILESS_MAIN(TestIntelHex)
#include "tst_intelhex.moc"
