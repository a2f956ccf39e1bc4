// Recall files of any shape: the parse either refuses the whole file with a line and a reason and
// no writes, or gives writes to writable registers with byte values, in file order.
#include "registers/ConfigFile.h"
#include "registers/RegMapStuff.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ConfigParse parsed = ParseConfigFile(bytes);
    const int lines = static_cast<int>(bytes.count('\n')) + 1;
    if (!parsed.ok()) {
        if (!parsed.writes.isEmpty() || parsed.errorLine < 1 || parsed.errorLine > lines) __builtin_trap();
        return 0;
    }
    int previousLine = 0;
    for (const ConfigWrite& w : parsed.writes) {
        const std::optional<int> index = FindRegisterByAddress(w.address);
        if (!index || BuildRegisterTable()[static_cast<std::size_t>(*index)].ReadOnly) __builtin_trap();
        if (w.value < 0 || w.value > 0xFF || w.line <= previousLine || w.line > lines) __builtin_trap();
        previousLine = w.line;
    }
    return 0;
}
