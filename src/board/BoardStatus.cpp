#include "board/BoardStatus.h"

BoardStatus DecodeBoardStatus(const std::array<std::uint8_t, 65>& buffer) {
    BoardStatus status;
    status.supply5V = (buffer[2] & 0x08) != 0;
    status.supply12V = (buffer[2] & 0x04) != 0;
    status.revisionCode = buffer[4] & 0x07;
    status.bareChip = buffer[5] == BareChipMark;
    if (status.bareChip) return status;
    switch (status.revisionCode) {
    case 0:
        status.revision = QStringLiteral("A");
        break;
    case 1:
        status.revision = QStringLiteral("B");
        break;
    case 2:
        status.revision = QStringLiteral("C");
        break;
    case 4:
        status.revision = QStringLiteral("D");
        break;
    default:
        break;
    }
    return status;
}

std::array<bool, 4> FansPresent(int fansNotPresent) {
    std::array<bool, 4> present{};
    for (std::size_t i = 0; i < 4; ++i)
        present[i] = (fansNotPresent & (1 << i)) == 0;
    return present;
}

QString SupplyText(const BoardStatus& status, bool present) {
    if (status.bareChip) return QStringLiteral("Unknown");
    return present ? QStringLiteral("Yes") : QStringLiteral("No");
}
