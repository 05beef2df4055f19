// A fake tick counter and the frames of a run on it, for tests that drive a measurement
// run frame by frame (through the engine or through the main window).
#pragma once

#include "rating.h"
#include "runstate.h"

#include <algorithm>
#include <cstdint>

namespace runclock {

constexpr std::uint32_t kRunStart = 1'000'000;
inline std::uint32_t fakeTick = kRunStart;

// The least frame count that scores `score` at `ms`.
inline std::int32_t framesForScore(std::int32_t score, std::int32_t ms)
{
    std::int64_t frames = std::max<std::int64_t>(1, (std::int64_t(score) * ms - 500) / 1000);
    while (ComputeScore(std::int32_t(frames), ms) < score)
        ++frames;
    return std::int32_t(frames);
}

// Sets the clock `ms` into the run for the next frame. `frames`, when given, is the run's
// frame count with that frame, standing in for the frames a real run would have drawn.
inline void stampNextFrame(std::int32_t ms, std::int32_t frames = 0)
{
    fakeTick = std::uint32_t(StartTick) + std::uint32_t(ms);
    if (frames > 0)
        FrameCount = frames - 1;
}

// A run through marquee frames, a scoring frame at 8750 ms and the finish at 8850 ms.
template <typename StartRun, typename FrameAt>
void finishedRun(StartRun startRun, FrameAt frameAt, std::int32_t scoring, std::int32_t final)
{
    startRun();
    frameAt(100, 0);
    frameAt(4000, 0);
    frameAt(8600, 0);
    frameAt(8750, framesForScore(scoring, 8750));
    frameAt(8850, framesForScore(final, 8850));
}

} // namespace runclock
