#pragma once

#include <QString>

#include <array>
#include <cstdint>

// What the board's status bytes and the chip's "Fans Not Present" register say, decoded once
// for every part of the program that shows them.
struct BoardStatus {
    QString revision; // "A" to "D"; empty for a code the board does not define
    int revisionCode{};
    bool supply5V = false;
    bool supply12V = false;
    // No evaluation board around the chip (a bare chip on a host's SMBus adapter): there are no
    // heaters, and nothing is known of supplies or revision.
    bool bareChip = false;
};

// Byte 5 of the board status as a backend that talks to a bare chip sets it.
inline constexpr std::uint8_t BareChipMark = 0xBC;

// From the six bytes the board-status request leaves in the transfer buffer: byte 2 bit 3 is the
// 5 V supply, bit 2 the 12 V supply; bits 0..2 of byte 4 the revision (0 A, 1 B, 2 C, 4 D); byte 5
// the bare-chip mark.
BoardStatus DecodeBoardStatus(const std::array<std::uint8_t, 65>& buffer);

// "Yes", "No", or "Unknown" where no board reports its supplies.
QString SupplyText(const BoardStatus& status, bool present);

// Fan n (index n - 1) is present when its bit of "Fans Not Present" (0x36) is clear.
std::array<bool, 4> FansPresent(int fansNotPresent);
