// Intel HEX images of any shape: the parser either refuses them with a line and a reason, or
// returns ascending, separate runs that the firmware loader turns into writes.
#include "board/usb/IntelHex.h"
#include "board/usb/UsbController.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray text =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const HexImage image = ParseIntelHex(text);
    if (!image.ok) {
        if (image.errorLine < 1 || image.error.isEmpty() || !image.blocks.empty()) __builtin_trap();
        return 0;
    }
    std::uint64_t nextFree = 0;
    for (const HexBlock& block : image.blocks) {
        if (block.bytes.isEmpty() || (nextFree != 0 && block.address <= nextFree)) __builtin_trap();
        nextFree = std::uint64_t{block.address} + static_cast<std::uint64_t>(block.bytes.size());
    }
    QString error;
    const auto writes = FirmwareLoadWrites(image, EzUsbFx2, error);
    if (writes.empty() == error.isEmpty()) __builtin_trap();
    for (const FirmwareWrite& w : writes)
        if (w.data.isEmpty() || w.data.size() > EzUsbFx2.chunkBytes) __builtin_trap();
    return 0;
}
