#pragma once

class Session;

// Measurement groups read by ReadMeasurements.
enum MeasurementGroup : int { TemperatureGroup = 1, FanSpeedGroup = 2, DutyCycleGroup = 3 };

// Reads one measurement group from the chip and decodes it into the session's readings:
// 1 temperatures (block 0x20 x 10, then 0x78 on its own), 2 fan speeds (block 0x2A x 8),
// 3 duty cycles (block 0x32 x 4). Other values do nothing. A group whose block read fails keeps
// its last good values (the buffer then holds another request's bytes); the cycle goes on.
void ReadMeasurements(Session& session, int group);
