#pragma once

#include <QString>

#include <functional>

class BoardLink;

// What the connection sequence shows while it runs: the splash window's status text and
// progress bar. The desktop program's splash window implements it; tests record it.
class SplashView {
public:
    virtual ~SplashView() = default;
    // Designed width of the progress label, twips; the sequence counts progress in hundredths.
    virtual int progressDesignWidth() const = 0;
    virtual void setProgressVisible() = 0;
    // The bar starts empty, at no width.
    virtual void setProgressWidth(float twips) = 0;
    // Shows the status text and repaints at once.
    virtual void setProgInfo(const QString& text) = 0;
    // Names the board in use, under the status text ("Simulated board", "USB board 1-4.2").
    virtual void setBoardText(const QString& text) = 0;
    // Lets the event loop process pending events once.
    virtual void processEvents() = 0;
};

// How the connection sequence runs. The defaults are the desktop program's start-up.
struct ConnectionOptions {
    // The pause before the search and the one after "Found" only give the user time to read the
    // splash window; the command-line tool leaves them out. The enumeration wait and the pause
    // after each SMBus enable attempt are the board's and always kept.
    bool splashPauses = true;
    // Non-zero: the chip is taken at this address instead of being searched for. One read of its
    // "Company ID" confirms it; a chip that does not answer the company code there is not found.
    int knownAddress{};
    // Asked between the sequence's steps and waits: true ends it early (the user gave up), with
    // nothing written and no message. RunConnectionSequence then returns false.
    std::function<bool()> cancelled;
};

// Brings the board up and finds the chip: firmware download, SMBus bridge enable (up to 20
// attempts), search of 0x2C..0x2F for the company code. Sets DeviceAddress. setStatusText
// receives the text for the main window's status bar. Returns false when a link error ended it
// (the program is ending then). Nothing is written to the chip.
bool RunConnectionSequence(BoardLink& link, SplashView& splash,
                           const std::function<void(const QString&)>& setStatusText,
                           const ConnectionOptions& options = {});

// Starts the chip's free-wheel test: read-modify-write of "Configuration 1" setting TEST.
void StartFreeWheelTest(BoardLink& link);

// "Found an VORTANE at 2Eh"
QString FoundChipText(int address);
