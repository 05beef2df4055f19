// Process-wide state of the measurement run, shared by the frame routine, the idle hook,
// the finish controls and the score table, and the thresholds the run is timed by. All
// zero (or false) at program start.
#pragma once

#include <cstdint>

extern std::int32_t StartTick;  // tick taken when the run started
extern std::int32_t ElapsedMs;  // start to the most recent frame's time stamp
extern std::int32_t FrameCount; // frames drawn in the current run
extern std::int32_t Score;      // frames per second of the last scored frame; survives re-measure
extern bool ButtonBlink;        // blink phase of the two buttons: false is the rest phase
extern bool TableBlink;         // blink phase of the score table: false is the rest phase

// Thresholds, in milliseconds of ElapsedMs (compared as signed 32-bit).
// The status marquee is updated only while 0 < ElapsedMs < kMarqueeEndMs.
constexpr std::int32_t kMarqueeEndMs = 8000;
// Frames past this compute the score; up to it every frame runs the colour prelude.
constexpr std::int32_t kScoringMs = 8700;
// The first frame past this finishes the run; the idle hook draws frames up to it.
constexpr std::int32_t kFinishMs = 8800;
// From this score on no band sets colours, so the colour prelude runs on every frame.
constexpr std::int32_t kPreludeScore = 350;
