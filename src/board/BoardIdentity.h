#pragma once

#include <QString>

// Which board the program talks to, so that every reading can say where it came from and a
// simulated board is never taken for a real one. The backend knows what it is and, once it has
// found it, where the board sits; the chip's address is known once the connection has found it.
struct BoardIdentity {
    enum class Kind { Simulated, Usb, Smbus };
    Kind kind = Kind::Simulated;
    bool simulated = true; // a hardware backend over a simulated bus or adapter
    QString port;          // USB port path, "1-4.2"; empty until the board is found
    QString serial;        // USB serial number; empty when the board has none (yet)
    QString adapter;       // SMBus adapter, "/dev/i2c-1"
    int chipAddress{};     // the chip's SMBus address; 0 until found

    // "Simulated board", "USB board 1-4.2 (serial VT01)", "SMBus /dev/i2c-1, chip at 2Eh"
    QString text() const;
};
