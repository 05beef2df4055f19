// The run's timing thresholds, in milliseconds of ElapsedMs (compared as signed 32-bit).
#pragma once

#include <cstdint>

// The status marquee is updated only while 0 < ElapsedMs < kMarqueeEndMs.
constexpr std::int32_t kMarqueeEndMs = 8000;
// Frames past this compute the score; up to it every frame runs the colour prelude.
constexpr std::int32_t kScoringMs = 8700;
// The first frame past this finishes the run; the idle hook draws frames up to it.
constexpr std::int32_t kFinishMs = 8800;
