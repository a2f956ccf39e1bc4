#pragma once

#include "board/BoardStatus.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class Session;
struct Readings;

// The evaluation board itself rather than the chip: its details, the chip's free-wheel test as
// the board details window runs it, and the two heaters.

// ---- Board details ----

struct BoardDetails {
    std::optional<BoardStatus> status;              // none when the status request failed
    QString address;                                // the chip's address, "2Eh"
    std::optional<std::array<bool, 4>> fansPresent; // none when not read
};
// The board status (0xDD request), the chip's address and "Fans Not Present" (0x36). A failed status request
// leaves the status unknown rather than decoding the bytes an earlier request left in the transfer buffer.
// False when the 0x36 read failed (the program is ending then).
bool ReadBoardDetails(Session& session, BoardDetails& details);

// ---- Free-wheel test ----

// Starts the test (TEST of "Configuration 1" set by read-modify-write) and marks it watched:
// FreeWheelRunning stays true until a poll finds the test finished, whether or not the window
// that started it is still open. False when the link failed.
bool StartWatchedFreeWheelTest(Session& session);

enum class FreeWheelState { Running, Finished, LinkFailed };
// One poll of a watched test: reads 0x40; once TEST is clear the test has finished:
// FreeWheelRunning goes false and "Fans Not Present" is read into fansPresent.
FreeWheelState PollFreeWheelTest(Session& session, std::array<bool, 4>& fansPresent);

// The test button's caption after `polls` polls that found the test running: the caption the
// watch started from ("Checking" after a press; the designed "Free Wheel Test" in a window opened
// while a test runs) with one dot per poll, starting again after three dots, so a test that never
// ends does not grow the caption without bound.
QString CheckingCaption(const QString& base, int polls);

// ---- Heaters ----

// The heaters' levels as their sliders show them: half the byte the board reports for each
// (75 -> 37.5). None when the request failed: the buffer then holds another request's bytes.
std::optional<std::array<double, 2>> ReadHeaterSliderLevels(Session& session);
// Sends a slider's value to heater 0 or 1 as a whole level, rounded half to even (0.5 -> 0,
// 1.5 -> 2), which the transport brings into 0..100. Returns the request's status.
std::int16_t SetHeaterFromSlider(Session& session, int heater, double value);
// "Temp1 = 25°C", "Temp2 = -5°C", "Temp1 = —°C" before a first reading: the temperature beside
// heater 0 or 1.
QString HeaterTemperatureText(int heater, const Readings& readings);
