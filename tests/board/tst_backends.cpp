// Board backends, simulated: USB (transfers, HEX firmware load, errors one can act on); bare chip on SMBus.
#include "board/Startup.h"
#include "board/i2c/I2cBoard.h"
#include "board/i2c/LinuxI2cDev.h"
#include "board/i2c/SmbusJournal.h"
#include "board/sim/SimSmbusAdapter.h"
#include "board/sim/SimUsbBus.h"
#include "board/usb/IntelHex.h"
#include "board/usb/UsbBoard.h"
#include "board/usb/UsbController.h"
#include "chip/RegisterTable.h"
#include "support/Rows.h"
#include "support/SimSession.h"

#include <QTemporaryDir>
#include <QTest>

#include <array>

#include <linux/i2c.h>
#include <sys/stat.h>

namespace {
const QByteArray SmallImage = ":0300000002000AF1\n:020010001122BB\n:00000001FF\n"; // 0000-0002, 0010-0011

struct Rig : BackendSession {
    explicit Rig(SimUsbOptions options = {}, UsbSelection selection = {},
                 const QByteArray& image = SmallImage) {
        auto bus = std::make_unique<SimUsbBus>(clock, std::make_unique<SimBoard>(clock), std::move(options));
        sim = bus.get();
        const auto tell = [this](const QString& t) { told << t; };
        start(std::make_unique<UsbBoard>(std::move(bus), selection, tell, tell), folder.path());
        writeFile(folder.filePath(QStringLiteral("HELDRIXFW.Hex")), image);
    }
    // "C0 DE 002E 003E 1": bmRequestType, bRequest, wValue, wIndex, wLength, then a firmware load's data.
    QStringList setups() const {
        QStringList out;
        for (const UsbSetup& s : sim->transfers())
            out << QString::asprintf("%02X %02X %04X %04X %d", s.requestType, s.request, s.value, s.index,
                                     s.length) +
                       (s.request == 0xA0 ? u' ' + QString::fromLatin1(s.data.toHex().toUpper()) : QString());
        return out;
    }

    QTemporaryDir folder;
    SimUsbBus* sim = nullptr;
};

// blink.hex: sdcc, packihx; -srec: srec_cat blink.hex -intel -o blink-srec.hex -intel -output_block_size=16
QByteArray sample(const char* name = "blink.hex") {
    return fileBytes(QStringLiteral(VORTANE_TEST_DATA "/") + QLatin1String(name));
}

const QString Blink = "0000/163/0200060200627581";
const QString NoEnd = "the image ends without its end-of-file record";

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

// The simulated adapter as a real one at a device path: the messages name the path.
struct AdapterAt final : SmbusAdapter {
    AdapterAt(std::unique_ptr<SmbusAdapter> a, QString p) : inner(std::move(a)), at(std::move(p)) {}
    QString path() const override { return at; }
    int setAddress(int address) override { return inner->setAddress(address); }
    int readByteData(int reg) override { return inner->readByteData(reg); }
    int writeByteData(int reg, std::uint8_t value) override { return inner->writeByteData(reg, value); }
    std::unique_ptr<SmbusAdapter> inner;
    QString at;
};

struct SmbusRig : BackendSession {
    explicit SmbusRig(SimOptions options = {}, const QString& path = {}) {
        auto sim = std::make_unique<SimSmbusAdapter>(clock, std::move(options));
        bus = sim.get();
        std::unique_ptr<SmbusAdapter> adapter = std::move(sim);
        if (!path.isEmpty()) adapter = std::make_unique<AdapterAt>(std::move(adapter), path);
        auto file = std::make_unique<QFile>(dir.filePath("journal.txt"));
        file->open(QIODevice::WriteOnly);
        start(std::make_unique<I2cBoard>(
            std::make_unique<SmbusJournal>(std::move(adapter), clock, std::move(file)),
            [this](const QString& t) { told << t; }));
    }
    // Kind, address, register, byte written or count asked for, result ("R 2c 3e 0 -6": ENXIO).
    QStringList transfers() {
        QStringList out;
        for (const SmbusTransfer& t : bus->transfers())
            out << QString::asprintf("%c %x %x %d %d", t.kind, t.address, t.reg, t.value, t.result);
        bus->clearTransfers();
        return out;
    }

    QTemporaryDir dir;
    SimSmbusAdapter* bus = nullptr;
};
} // namespace

class TestBackends : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Start-up with a firmware load, then each kind of request as the board receives it: data/setups.txt.
    void scriptedSessionOnTheWire() {
        Rig r;
        QVERIFY(r.connect());
        QCOMPARE(r.sim->ram().left(0x12),
                 QByteArray("\x02\x00\x0A", 3) + QByteArray(13, 0) + "\x11\x22"); // the image in RAM
        InitDefaults(*r.session);
        USBStuff& usb = r.session->usb;
        usb.WriteRegister(0x2E, 0x44, -10);
        QVERIFY(usb.ReadBlock(0x20, 10) == 0);
        usb.SetHeater(1, 50);
        QVERIFY(usb.ReadHeaterLevels() == 0);
        QCOMPARE(usb.TransferBuffer[0], 100); // the board reports twice the level
        usb.ReadBoardInfo();
        QCOMPARE(r.setups().join(u'\n') + u'\n',
                 QString::fromUtf8(fileBytes(VORTANE_TEST_DATA "/setups.txt")));
        QCOMPARE(r.sim->board().chip(0x2E)->read(0x44), 0xF6);
        QCOMPARE(usb.boardIdentity().text(), QStringLiteral("Simulated USB board 1-2 (serial VT000001)"));

        // Gone and back at a new address: the request to the departed device fails, the next finds it.
        const int address = r.sim->devices().back().address;
        r.sim->leaveAndReturn();
        std::uint8_t byte = 0;
        QCOMPARE(r.board->VendorIORequest(RegisterRequest, 0x2E, 0x3E, 1, 1, &byte), std::int16_t(1));
        r.clock.advance(100); // still enumerating: only the root hub on the bus
        QCOMPARE(r.sim->devices().size(), std::size_t(1));
        r.clock.advance(700);
        QCOMPARE(r.board->VendorIORequest(RegisterRequest, 0x2E, 0x3E, 1, 1, &byte), std::int16_t(0));
        QCOMPARE(std::pair(int(byte), r.sim->devices().back().address),
                 std::pair(0x4B, address + 1)); // the Company ID, from the board at its new address
        // A transfer longer than the board's 65-byte buffer is refused before anything goes out.
        std::array<std::uint8_t, 66> block{};
        const qsizetype sent = r.setups().size();
        QCOMPARE(r.board->VendorIORequest(RegisterRequest, 0x2E, 0x20, 1, 66, block.data()), std::int16_t(1));
        QCOMPARE(std::pair(r.setups().size(), r.board->failureReason()),
                 std::pair(sent, QString())); // not the departed board's reason

        for (int i = 0; i < 100010; ++i) // the bus's and the board's logs keep the last 100000
            r.board->VendorIORequest(RegisterRequest, 0x2E, 0x3E, 1, 1, &byte);
        QCOMPARE(std::pair(r.sim->transfers().size(), r.sim->board().journal().size()),
                 std::pair(100000UL, 100000UL));

        SimUsbBus loader(r.clock, std::make_unique<SimBoard>(r.clock)); // no firmware: back as the loader
        loader.leaveAndReturn(), r.clock.advance(800), loader.leaveAndReturn(); // again, not asked between
        r.clock.advance(800);
        QVERIFY(loader.devices().back().id == (UsbDeviceId{0x04B4, 0x8613})); // the loader's ID

        r.sim->options().attached = false; // unplugged: the next request is a link error
        usb.ReadRegister(0x2E, 0x20);
        QCOMPARE(r.ends, QList<int>{CommunicationsInterrupted});
        QCOMPARE(r.told << r.prompts.messages.value(0).details,
                 QStringList(2, "USB request DEh to the board failed: the device has left the bus"));
    }

    // From data/boards.txt, by set-up: the link error ending the start-up, what the user is told.
    void boards_data() {
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("told");
        const QMap<QString, int> ends{
            {"connects", -1}, {"download", FirmwareDownloadFailed}, {"connection", InitialConnectionFailed}};
        for (const QStringList& f : tableRows(VORTANE_TEST_DATA "/boards.txt"))
            QTest::newRow(qPrintable(f[0])) << ends.value(f.value(1), -2) << f.value(2);
    }
    void boards() {
        QFETCH(int, end);
        QFETCH(QString, told);
        const QString setup = QString::fromLatin1(QTest::currentDataTag());
        const auto has = [&setup](const char* word) { return setup.contains(QLatin1String(word)); };
        SimUsbOptions o;
        UsbSelection pick;
        o.attached = !has("detached");
        if (has("port 1-9") || has("at 1-2")) pick.port = setup.right(3);
        if (has("other")) o.others = {{DefaultBoardId, QStringLiteral("1-3"), 9}};
        if (has("loaders")) o.others = {{DefaultLoaderId, QStringLiteral("1-3"), 9}};
        if ((o.running = has("running")) || has("serial")) pick.serial = QStringLiteral("VT000001");
        if (has("busy other")) o.busyPorts = {QStringLiteral("1-3")};
        if (has("access")) o.openError = UsbError::Access;
        if (has("busy board")) o.openError = UsbError::Busy;
        if (has("usbtest")) o.loaderDriver = QStringLiteral("usbtest");
        if (has("slow")) o.reenumerateMs = 60000;
        o.imageStarts = !has("stillborn");
        o.releaseEndsSilent = has("silent");
        o.leavesAtTransfer = has("leaves") ? 2 : -1;
        Rig r(o, pick,
              has("corrupt")   ? ":0300000002000AF2\n:00000001FF\n"
              : has("outside") ? ":0280000011224B\n:00000001FF\n"
                               : SmallImage);
        const QString image = r.folder.filePath(QStringLiteral("HELDRIXFW.Hex"));
        if (has("fifo") || has("no image")) QVERIFY(QFile::remove(image));
        if (has("fifo")) QVERIFY(::mkfifo(QFile::encodeName(image).constData(), 0600) == 0);
        if (has("megabyte")) QVERIFY(writeFile(image, SmallImage.leftJustified(1048576 + has("over"), '\n')));
        QVERIFY(r.connect() == (end < 0) && r.ends == (end < 0 ? QList<int>{} : QList<int>{end}));
        const QString folder = r.folder.path() + QLatin1Char('/');
        QCOMPARE(r.told.replaceInStrings(folder, ""), told.isEmpty() ? QStringList{} : QStringList{told});
        const QString details = r.prompts.messages.value(0).details.remove(folder);
        if (end >= 0) QVERIFY(details.endsWith(told));
        // Where the image was looked for, when a board wanted it and none was found (a FIFO is none).
        QCOMPARE(details.startsWith("HELDRIXFW.Hex is in none of the folders searched: " + r.folder.path() +
                                    ", /usr/lib/vortane, /usr/local/lib/vortane, "),
                 setup == QLatin1String("no image") || has("fifo"));
        // Nothing reaches a board before it is known, with a good image; one running its firmware gets none.
        if (end == FirmwareDownloadFailed) QCOMPARE(r.setups().size(), has("leaves") ? 2 : 0);
        if (o.running) QVERIFY(!r.setups().join(QLatin1Char(' ')).contains(QLatin1String("A0")));
    }

    void images_data() {
        addRows<std::pair<QByteArray, QString>>(
            {{"sdcc sample: one run 0000-00A2", {sample(), Blink}},
             // Whatever follows the end-of-file record is not read: a tool's note, a DOS Ctrl+Z.
             {"srecord's copy, a note after its end",
              {sample("blink-srec.hex") + "; srec_cat -output_block_size=16\n:1", Blink}},
             {"Ctrl+Z on the end-of-file line", {sample().trimmed() + "\x1A\x1A", Blink}},
             {"Ctrl+Z before the end",
              {sample().replace(":00000001FF", "\x1A:00000001FF"), "line 18: " + NoEnd}},
             {"Ctrl+Z first: an empty DOS file", {"\x1A" + sample(), "line 1: " + NoEnd}},
             {"flipped checksum",
              {edited(4, ":100062004F008F0574075DFB7C00249BF582EC3407"),
               "line 4: checksum 0x07, expected 0x06"}},
             {"cut line",
              {edited(10, ":100013007900E944006"),
               "line 10: the record is cut short (16 data bytes announced, 4 present)"}},
             {"bad record type", {edited(2, ":03005F0602000393"), "line 2: unknown record type 06"}},
             {"truncated copy", {sample().left(sample().indexOf(":0D0006")), "line 16: " + NoEnd}}});
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/images.txt")) // \n and \r written out
            QTest::newRow(qPrintable(r[0])) << std::pair(r[1].toLatin1(), r[2]);
    }
    void images() {
        const auto& [text, expected] = fetchRow<std::pair<QByteArray, QString>>();
        QCOMPARE(outcome(ParseIntelHex(text)), expected);
    }

    // Held in reset, loaded in chunks in address order, released; nothing outside the RAM.
    void firmwareLoadWrites() {
        HexImage image;
        image.blocks = {{0x0000, QByteArray(1030, '\x5A')}, {0xE000, QByteArray("\x01\x02", 2)}};
        QString error;
        const std::vector<FirmwareWrite> writes = FirmwareLoadWrites(image, EzUsbFx2, error);
        using W = FirmwareWrite;
        const std::vector<W> expected{W{0xE600, QByteArray(1, '\x01')}, W{0x0000, QByteArray(1024, '\x5A')},
                                      W{0x0400, QByteArray(6, '\x5A')}, W{0xE000, QByteArray("\x01\x02", 2)},
                                      W{0xE600, QByteArray(1, '\x00')}};
        QVERIFY(writes == expected && error.isEmpty());
        image.blocks = {{0x3FFE, QByteArray(2, '\0')}}; // the RAM's last two bytes
        QCOMPARE(FirmwareLoadWrites(image, EzUsbFx2, error).size(), std::size_t(3));

        for (const HexBlock& outside :
             {HexBlock{0x3FFF, QByteArray(2, '\0')}, HexBlock{0xE600, QByteArray(1, '\0')}}) {
            image.blocks = {outside};
            QVERIFY2(FirmwareLoadWrites(image, EzUsbFx2, error).empty() &&
                         error.endsWith(QLatin1String("outside the EZ-USB FX2's loadable memory")),
                     qPrintable(error));
        }
    }

    // Chip time runs --sim-time-scale x the clock: fan 2, seized at 8 s, stopped 1 s in at 10x, turns at 1x.
    void chipTimeFollowsTheTimeScale() {
        for (const double scale : {10.0, 1.0}) {
            SmbusRig rig({.timeScale = scale,
                          .chip = {.fanSeizesAtMs = {NeverSeizes, 8000, NeverSeizes, NeverSeizes}}});
            QVERIFY(rig.connect());
            rig.clock.advance(1000);
            USBStuff& usb = rig.session->usb;
            const bool stopped = usb.ReadRegister(0x2E, 0x2C) == 0xFF && usb.ReadRegister(0x2E, 0x2D) == 0xFF;
            QCOMPARE(stopped, scale > 1);
        }
    }

    void requestsBecomeSmbusTransfers() {
        SmbusRig r;
        QVERIFY(r.connect()); // no firmware, no bridge: only the search reaches the bus
        QCOMPARE(r.transfers(), (QStringList{"R 2c 3e 0 -6", "R 2d 3e 0 -6", "R 2e 3e 0 75"}));
        USBStuff& usb = r.session->usb;
        // The silence at 2Ch and 2Dh is forgotten once a request succeeds: no failure to explain.
        QCOMPARE(usb.boardIdentity().text() + usb.failureReason(), "Simulated SMBus adapter, chip at 2Eh");
        usb.WriteRegister(0x2E, 0x45, -11); // an odd byte to an odd register: bit 0 on the wire too
        QCOMPARE(usb.ReadRegister(0x2E, 0x45), 0xF5);
        // Register by register (a chip need not advance its pointer in a block read); a 0 read is journalled.
        writeAll(*r.bus->chip(0x2E), {{0x45, 0x00}, {0x46, 0x22}, {0x47, 0x33}});
        QVERIFY(usb.ReadBlockOrFail(0x45, 3));
        QCOMPARE(r.transfers(), (QStringList{"W 2e 45 245 0", "R 2e 45 0 245", "R 2e 45 0 0", "R 2e 46 0 34",
                                             "R 2e 47 0 51"}));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(usb.TransferBuffer.data()), 3),
                 QByteArray("\0\x22\x33", 3));
        const QByteArray journal = fileBytes(r.dir.filePath("journal.txt"));
        QCOMPARE(QString::fromUtf8(journal).split(u'\n').mid(1, 5),
                 (QStringList{
                     "2936 SMBus read-byte-data 2D 3E -> ENXIO", "2936 SMBus read-byte-data 2E 3E -> 0 4B",
                     "4937 SMBus write-byte-data 2E 45 F5 -> 0", "4937 SMBus read-byte-data 2E 45 -> 0 F5",
                     "4937 SMBus read-byte-data 2E 45 -> 0 00"}));
        QVERIFY(usb.ReadBlock(0x20, 70) == 0 && r.transfers().size() == 65); // the board's whole buffer
        QVERIFY(usb.ReadBlock(0x20, -1) == 0 && r.transfers().isEmpty());    // and nothing for less than 0

        // No heaters: a failed heater request the user may carry on from; no board status to read.
        r.prompts.answers = {MessageAnswer::No, MessageAnswer::No}; // told once, asked twice
        QVERIFY(usb.SetHeater(1, 50) != 0 && usb.SetHeater(2, 50) != 0 && r.ends.isEmpty());
        usb.ReadBoardInfo(); // what the board window shows of it: tst_frmboard
        QVERIFY(r.transfers().isEmpty());
        for (int i = 0; i < 100010; ++i) // the adapter's log keeps the last 100000, on a long run too
            r.bus->readByteData(0x3E);
        QCOMPARE(r.bus->transfers().size(), std::size_t(100000));
        QCOMPARE(r.told, QStringList{"there are no heaters: the chip is on an SMBus adapter, not on the "
                                     "evaluation board"});
    }

    // A transfer goes to a 7-bit address from 03h to 77h; none beyond reaches the bus.
    void addressRange() {
        for (const auto& [address, transfer] :
             {std::pair{0x03, "R 3 3e 0 -6"}, {0x77, "R 77 3e 0 -6"}, {0x02, ""}, {0x78, ""}}) {
            SmbusRig r;
            QVERIFY(r.connect());
            r.transfers();
            r.session->usb.ReadRegister(address, 0x3E);
            QCOMPARE(r.transfers().join(u' '), QString::fromLatin1(transfer));
        }
    }

    // No chip answers (EIO, as some adapters say): details and standard error name the silent, and i2cdetect.
    void noChipAnswers() {
        for (const auto& [path, where] :
             {std::pair{"", "the simulated adapter (--sim-chips sets where chips answer)"},
              {"/dev/i2c-17", "/dev/i2c-17 (check the address with i2cdetect -y 17)"}}) {
            SmbusRig r({.chipAddresses = {}, .linkLostAfterMs = 0, .chip = {}}, path);
            r.session->usb.report = [&r](const QString& text) { r.told << text; };
            QVERIFY(!r.connect());
            QCOMPARE(
                r.told << r.prompts.messages.value(0).details,
                QStringList(2, "no VORTANE answered: Company ID (3Eh) read FFh at 2Ch, FFh at 2Dh, FFh at "
                               "2Eh, FFh at 2Fh, where a VORTANE reads 4Bh\nno acknowledge from 2Ch, "
                               "2Dh, 2Eh, 2Fh on " +
                                   QLatin1String(where)));
        }
        QCOMPARE(MissingSmbusFunctions(I2C_FUNC_I2C | I2C_FUNC_SMBUS_READ_BYTE_DATA),
                 QStringList{"SMBus write-byte-data"});
    }

    // An address a kernel driver holds is passed over; silence where a chip answered is a lost link.
    void driverOwnedAddressesAndALostChip() {
        SmbusRig r({.chipAddresses = {0x2E, 0x2F}, .linkLostAfterMs = 5000, .chip = {}});
        r.bus->driverBound = {0x2E};
        QVERIFY(r.connect() && r.session->usb.DeviceAddress == 0x2F);
        QCOMPARE(r.transfers(), (QStringList{"R 2c 3e 0 -6", "R 2d 3e 0 -6", "R 2f 3e 0 75"}));
        r.session->usb.ReadRegister(0x2E, 0x3E), r.session->usb.ReadRegister(0x2F, 0x3E); // 2Eh refused
        QVERIFY(fileBytes(r.dir.filePath("journal.txt")).endsWith(" SMBus read-byte-data 2F 3E -> 0 4B\n"));
        r.clock.advance(5000);
        r.session->usb.ReadRegister(0x2F, 0x20);
        r.board->VendorIORequest(RegisterRequest, 0x2F, 0x017A, 0, 0, nullptr); // a write fails alike
        QCOMPARE(r.ends, QList<int>{CommunicationsInterrupted});
        QCOMPARE(r.told,
                 (QStringList{"the SMBus address 2Eh belongs to a kernel driver and is left alone (unbind "
                              "the driver to use the chip there)",
                              "reading register 20h at 2Fh failed: Input/output error",
                              "writing register 7Ah at 2Fh failed: Input/output error"}));
    }
};

QTEST_GUILESS_MAIN(TestBackends)
#include "tst_backends.moc"
