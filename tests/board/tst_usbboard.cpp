// The USB board backend against the simulated board on a simulated bus: every request as the
// control transfer the board receives, the firmware load, and the errors a user can act on.
#include "board/Startup.h"
#include "board/sim/SimUsbBus.h"
#include "board/usb/UsbBoard.h"
#include "chip/RegisterTable.h"
#include "support/SimSession.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

// Two runs, 0000-0002 and 0010-0011.
const QByteArray SmallImage = ":0300000002000AF1\n:020010001122BB\n:00000001FF\n";

struct Rig : BackendSession {
    explicit Rig(SimUsbOptions options = {}, UsbSelection selection = {},
                 const QByteArray& image = SmallImage) {
        auto bus = std::make_unique<SimUsbBus>(clock, std::make_unique<SimBoard>(clock), std::move(options));
        sim = bus.get();
        const auto tell = [this](const QString& t) { told << t; };
        start(std::make_unique<UsbBoard>(std::move(bus), selection, tell, tell), folder.path());
        writeFile(folder.filePath(QStringLiteral("HELDRIXFW.Hex")), image);
    }
    // "C0 DE 002E 003E 1": bmRequestType, bRequest, wValue, wIndex, wLength; the data of a
    // firmware-load request follows.
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

} // namespace

class TestUsbBoard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Start-up with a firmware load, then each kind of request, as the board receives it.
    void scriptedSessionOnTheWire() {
        Rig r;
        QVERIFY(r.connect());
        InitDefaults(*r.session);
        USBStuff& usb = r.session->usb;
        usb.WriteRegister(0x2E, 0x44, -10);
        QVERIFY(usb.ReadBlock(0x20, 10) == 0);
        usb.SetHeater(1, 50);
        QVERIFY(usb.ReadHeaterLevels() == 0);
        QCOMPARE(usb.TransferBuffer[0], 100); // the board reports twice the level
        usb.ReadBoardInfo();
        QCOMPARE(r.setups(),
                 (QStringList{"40 A0 E600 0000 1 01", "40 A0 0000 0000 3 02000A", "40 A0 0010 0000 2 1122",
                              "40 A0 E600 0000 1 00", "40 DD 0030 0033 0", "C0 DE 002C 003E 1",
                              "C0 DE 002D 003E 1", "C0 DE 002E 003E 1", "C0 DE 002E 0068 1",
                              "C0 DE 002E 0069 1", "C0 DE 002E 007F 1", "C0 DE 002E 0040 1",
                              "40 DE 002E 0340 0", "40 DE 002E F644 0", "C0 DC 002E 0020 10",
                              "40 DA 0001 0032 1", "C0 DA 0000 0000 3", "C0 DD 0000 0000 6"}));
        QCOMPARE(r.sim->board().chip(0x2E)->read(0x44), 0xF6);
        QCOMPARE(usb.boardIdentity().text(), QStringLiteral("Simulated USB board 1-2 (serial VT000001)"));

        // Gone and back at a new address: the request to the departed device fails, the next one
        // finds the board again.
        r.sim->leaveAndReturn();
        std::uint8_t byte = 0;
        QCOMPARE(r.board->VendorIORequest(RegisterRequest, 0x2E, 0x3E, 1, 1, &byte), std::int16_t(1));
        r.clock.advance(800);
        QCOMPARE(r.board->VendorIORequest(RegisterRequest, 0x2E, 0x3E, 1, 1, &byte), std::int16_t(0));
        QCOMPARE(byte, CompanyCode);

        r.sim->options().attached = false; // unplugged: the next request is a link error
        usb.ReadRegister(0x2E, 0x20);
        QCOMPARE(r.ends, QList<int>{CommunicationsInterrupted});
        QCOMPARE(r.told, QStringList{"USB request DEh to the board failed: the device has left the bus"});
        QCOMPARE(r.prompts.messages.value(0).details, r.told.back());
    }

    // Tagged with what is set up: the link error that ends the start-up (-1: it connects), what the
    // user is told, which is also the message's details.
    void boards_data() {
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("told");
        const auto row = [](const char* setup, int end, const QString& told) {
            QTest::newRow(setup) << end << told;
        };
        const QString none =
            QStringLiteral("no evaluation board found: looked for USB 04B4:8613 (the board before its "
                           "firmware runs) and 04B4:1004 (the board running its firmware)");
        const QString cannot = QStringLiteral("cannot open the board (04B4:8613 at port 1-2): ");
        const QString notBack =
            QStringLiteral("the board has not come back as 04B4:1004 at port 1-2 after its "
                           "firmware download; at that port now: ");
        const QString refused = QStringLiteral("; nothing was sent to the board");
        const int download = FirmwareDownloadFailed;
        row("detached", download, none + "; USB devices with these IDs: none");
        row("detached, no image", download, none + "; USB devices with these IDs: none");
        row("no image", download, "cannot read the firmware image HELDRIXFW.Hex: No such file or directory");
        row("port 1-9", download,
            none + " at port 1-9; USB devices with these IDs: 04B4:8613 at port 1-2 (without firmware)");
        row("other", download,
            "2 evaluation boards found (04B4:8613 at port 1-2, 04B4:1004 at port 1-3): choose one with "
            "--usb-port or --usb-serial");
        row("other running", -1, "");      // the serial chooses
        row("busy other running", -1, ""); // a board that cannot say its serial is passed over
        row("loaders", download,
            "2 evaluation boards found (04B4:8613 at port 1-2, 04B4:8613 at port 1-3): choose one with "
            "--usb-port (boards without their firmware have no serial number yet)");
        row("loaders at 1-2", -1, "");
        row("access", download,
            cannot + "permission denied: install the udev rule 60-vortane.rules (cmake --install puts it in "
                     "/etc/udev/rules.d), then run 'udevadm control --reload' and plug the board in again");
        row("busy board", download, cannot + "the device is busy: another program holds it");
        row("usbtest", -1,
            "detached the kernel driver usbtest from 04B4:8613 at port 1-2 for the firmware download");
        row("corrupt", download, "HELDRIXFW.Hex:1: checksum 0xF2, expected 0xF1" + refused);
        row("fifo", download, "the firmware image HELDRIXFW.Hex is not a regular file" + refused);
        row("silent release", -1, ""); // the board left while the CPU was released: it runs the image
        row("slow", InitialConnectionFailed, notBack + "nothing");
        row("stillborn", InitialConnectionFailed,
            notBack + "04B4:8613 (the loader again: the image did not start)");
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
        if ((o.running = has("running"))) pick.serial = QStringLiteral("VT000001");
        if (has("busy other")) o.busyPorts = {QStringLiteral("1-3")};
        if (has("access")) o.openError = UsbError::Access;
        if (has("busy board")) o.openError = UsbError::Busy;
        if (has("usbtest")) o.loaderDriver = QStringLiteral("usbtest");
        if (has("slow")) o.reenumerateMs = 60000;
        o.imageStarts = !has("stillborn");
        o.releaseEndsSilent = has("silent");
        Rig r(o, pick, has("corrupt") ? ":0300000002000AF2\n:00000001FF\n" : SmallImage);
        const QString image = r.folder.filePath(QStringLiteral("HELDRIXFW.Hex"));
        if (has("fifo") || has("no image")) QVERIFY(QFile::remove(image));
        if (has("fifo")) QVERIFY(::mkfifo(QFile::encodeName(image).constData(), 0600) == 0);
        QCOMPARE(r.connect(), end < 0);
        QCOMPARE(r.ends, end < 0 ? QList<int>{} : QList<int>{end});
        const QString folder = r.folder.path() + QLatin1Char('/');
        r.told.replaceInStrings(folder, QString());
        QCOMPARE(r.told, told.isEmpty() ? QStringList{} : QStringList{told});
        const QString details = r.prompts.messages.value(0).details.remove(folder);
        if (end >= 0) QVERIFY(details.endsWith(told));
        // Where the image was looked for, when a board wanted it and none was found (a FIFO is none).
        QCOMPARE(details.startsWith("HELDRIXFW.Hex is in none of the folders searched: " + r.folder.path() +
                                    ", /usr/lib/vortane, /usr/local/lib/vortane, "),
                 setup == QLatin1String("no image") || has("fifo"));
        // Nothing reaches the board before it is known to be the one, with a good image; a board
        // that runs its firmware already gets none.
        if (end == FirmwareDownloadFailed) QCOMPARE(r.setups(), QStringList{});
        if (o.running) QVERIFY(!r.setups().join(QLatin1Char(' ')).contains(QLatin1String("A0")));
    }
};

QTEST_GUILESS_MAIN(TestUsbBoard)
#include "tst_usbboard.moc"
