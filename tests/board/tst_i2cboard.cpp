// The bare-chip backend against simulated chips on a simulated SMBus adapter: which SMBus
// transfers each request becomes, the chip search around silent and driver-owned addresses, and
// what fails.
#include "board/BoardStatus.h"
#include "board/i2c/I2cBoard.h"
#include "board/i2c/LinuxI2cDev.h"
#include "board/i2c/SmbusJournal.h"
#include "board/sim/SimSmbusAdapter.h"
#include "support/SimSession.h"

#include <QTemporaryDir>
#include <QTest>

#include <linux/i2c.h>

namespace {

struct Rig : BackendSession {
    explicit Rig(SimOptions options = {}) {
        auto adapter = std::make_unique<SimSmbusAdapter>(clock, std::move(options));
        bus = adapter.get();
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

    QStringList journal() const {
        return QString::fromUtf8(fileBytes(dir.filePath("journal.txt"))).split(u'\n');
    }

    QTemporaryDir dir;
    SimSmbusAdapter* bus = nullptr;
};

} // namespace

class TestI2cBoard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Chip time on the SMBus simulator runs --sim-time-scale times faster than the clock, as on
    // the simulated USB board: fan 2, seized at 8 s of chip time, has stopped 1 s after start-up
    // at ten times and still turns at one.
    void chipTimeFollowsTheTimeScale() {
        for (const double scale : {10.0, 1.0}) {
            SimOptions options;
            options.timeScale = scale;
            options.chip.fanSeizesAtMs = {NeverSeizes, 8000, NeverSeizes, NeverSeizes};
            Rig rig(options);
            QVERIFY(rig.connect());
            rig.clock.advance(1000);
            USBStuff& usb = rig.session->usb;
            const bool stopped = usb.ReadRegister(0x2E, 0x2C) == 0xFF && usb.ReadRegister(0x2E, 0x2D) == 0xFF;
            QCOMPARE(stopped, scale > 1);
        }
    }

    void requestsBecomeSmbusTransfers() {
        Rig r;
        QVERIFY(r.connect()); // no firmware, no bridge: only the search reaches the bus
        QCOMPARE(r.transfers(), (QStringList{"R 2c 3e 0 -6", "R 2d 3e 0 -6", "R 2e 3e 0 75"}));
        QCOMPARE(r.session->usb.boardIdentity().text(),
                 QStringLiteral("Simulated SMBus adapter, chip at 2Eh"));
        USBStuff& usb = r.session->usb;
        usb.WriteRegister(0x2E, 0x44, -10);
        QCOMPARE(r.bus->chip(0x2E)->read(0x44), 0xF6);
        // A group is read register by register (a chip need not advance its register pointer in
        // a block read), and the bytes are the registers' own.
        writeAll(*r.bus->chip(0x2E), {{0x45, 0x11}, {0x46, 0x22}, {0x47, 0x33}});
        QVERIFY(usb.ReadBlockOrFail(0x45, 3));
        QCOMPARE(r.transfers(),
                 (QStringList{"W 2e 44 246 0", "R 2e 45 0 17", "R 2e 46 0 34", "R 2e 47 0 51"}));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(usb.TransferBuffer.data()), 3), "\x11\x22\x33");
        QCOMPARE(r.journal().mid(1, 5), (QStringList{"2936 SMBus read-byte-data 2D 3E -> ENXIO",
                                                     "2936 SMBus read-byte-data 2E 3E -> 0 4B",
                                                     "4937 SMBus write-byte-data 2E 44 F6 -> 0",
                                                     "4937 SMBus read-byte-data 2E 45 -> 0 11",
                                                     "4937 SMBus read-byte-data 2E 46 -> 0 22"}));

        // No heaters: a failed heater request the user may carry on from; no board status to read.
        r.prompts.answers = {MessageAnswer::No};
        QVERIFY(usb.SetHeater(1, 50) != 0);
        QVERIFY(r.ends.isEmpty());
        usb.ReadBoardInfo();
        const BoardStatus status = DecodeBoardStatus(usb.TransferBuffer);
        QCOMPARE((QStringList{status.revision, SupplyText(status, status.supply5V)}),
                 (QStringList{"", "Unknown"}));
        QVERIFY(r.transfers().isEmpty());
        QCOMPARE(r.told,
                 QStringList{
                     "there are no heaters: the chip is on an SMBus adapter, not on the evaluation board"});
    }

    // Where no chip answers, the message's details name the adapter and the silent addresses, and
    // so does standard error.
    void noChipAnswers() {
        Rig r({.chipAddresses = {}, .chip = {}});
        r.session->usb.report = [&r](const QString& text) { r.told << text; };
        QVERIFY(!r.connect());
        QCOMPARE(r.told, QStringList{r.prompts.messages.value(0).details});
        QCOMPARE(r.prompts.messages.value(0).details,
                 QStringLiteral(
                     "no VORTANE answered: Company ID (3Eh) read FFh at 2Ch, FFh at 2Dh, FFh at 2Eh, FFh "
                     "at 2Fh, where a VORTANE reads 4Bh\nno acknowledge from 2Ch, 2Dh, 2Eh, 2Fh on the "
                     "simulated adapter (--sim-chips sets where chips answer)"));
        QCOMPARE(MissingSmbusFunctions(I2C_FUNC_I2C | I2C_FUNC_SMBUS_READ_BYTE_DATA),
                 QStringList{"SMBus write-byte-data"});
    }

    // A chip a kernel driver has bound is left to it and the search goes on; silence where a chip
    // has answered before is a lost link, not an empty address.
    void driverOwnedAddressesAndALostChip() {
        SimOptions options;
        options.chipAddresses = {0x2E, 0x2F};
        options.linkLostAfterMs = 5000;
        Rig r(options);
        r.bus->driverBound = {0x2E};
        QVERIFY(r.connect());
        QCOMPARE(r.session->usb.DeviceAddress, 0x2F);
        QCOMPARE(r.transfers(), (QStringList{"R 2c 3e 0 -6", "R 2d 3e 0 -6", "R 2f 3e 0 75"}));
        r.clock.advance(5000);
        r.session->usb.ReadRegister(0x2F, 0x20);
        QCOMPARE(r.ends, QList<int>{CommunicationsInterrupted});
        QCOMPARE(r.told,
                 (QStringList{"the SMBus address 2Eh belongs to a kernel driver and is left alone (unbind "
                              "the driver to use the chip there)",
                              "reading register 20h at 2Fh failed: Input/output error"}));
    }
};

QTEST_GUILESS_MAIN(TestI2cBoard)
#include "tst_i2cboard.moc"
