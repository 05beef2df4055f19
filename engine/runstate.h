// Process-wide state of the measurement run, shared by the frame routine, the idle
// hook and the score table. All zero at program start.
#pragma once

#include <cstdint>

extern std::int32_t StartTick;  // tick taken when the run started
extern std::int32_t ElapsedMs;  // start to the most recent frame's time stamp
extern std::int32_t FrameCount; // frames drawn in the current run
extern std::int32_t Score;      // frames per second of the last scored frame; survives re-measure
