#include "board/usb/UsbController.h"

#include <algorithm>

std::vector<FirmwareWrite> FirmwareLoadWrites(const HexImage& image, const UsbController& c, QString& error) {
    const auto loadable = [&c](std::uint32_t first, std::uint32_t last) {
        return std::any_of(c.loadable.begin(), c.loadable.end(),
                           [&](const RamRange& r) { return first >= r.first && last <= r.last; });
    };
    const QByteArray hold(1, '\x01');
    const QByteArray run(1, '\x00');
    std::vector<FirmwareWrite> writes{{c.cpuControl, hold}};
    for (const HexBlock& block : image.blocks) {
        for (qsizetype at = 0; at < block.bytes.size(); at += c.chunkBytes) {
            const QByteArray chunk = block.bytes.mid(at, c.chunkBytes);
            const std::uint32_t first = block.address + static_cast<std::uint32_t>(at);
            const std::uint32_t last = first + static_cast<std::uint32_t>(chunk.size()) - 1;
            // A run may straddle two regions (or reach the control register) only by mistake.
            if (!loadable(first, last)) {
                error = QStringLiteral("the image writes %1h to %2h, outside the %3's loadable memory")
                            .arg(QString::number(first, 16).toUpper(), QString::number(last, 16).toUpper(),
                                 QLatin1String(c.name));
                return {};
            }
            writes.push_back({static_cast<std::uint16_t>(first), chunk});
        }
    }
    writes.push_back({c.cpuControl, run});
    return writes;
}
