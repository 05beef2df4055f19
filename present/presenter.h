// The one seam between the field view and a window system: where the field's pixels live,
// and how a drawn frame reaches the screen. The view knows only this; which presenter it
// gets is decided once, at start-up.
//
// The contract that makes the score honest: present() returns only once the frame is on
// the screen (the window system has finished taking its pixels), so the next frame's first
// drawing operation never overlaps the last frame's copy.
#pragma once

#include <cstdint>
#include <string_view>

class Presenter
{
public:
    // What a presenter did since its last resetStats().
    struct Stats
    {
        std::uint64_t frames = 0; // frames presented
        std::uint64_t puts = 0;   // images handed to the window system, re-presents included
        std::uint64_t waitedFrames =
            0;                      // frames whose completion had not come when first looked for
        std::uint64_t waitedUs = 0; // time spent waiting for completions, in microseconds
    };

    virtual ~Presenter() = default;

    // The pixels of the next frame: the field's width x height opaque 0xFFRRGGBB words, row
    // after row. The same memory from one frame to the next, and it holds the last frame.
    virtual std::uint32_t *pixels() = 0;

    // Puts rows 0..visibleHeight-1 of the frame on the window and returns once they are there.
    virtual void present(int visibleHeight) = 0;
    // Shows the last presented frame again (an expose), without counting a frame; it too
    // returns once the window system has taken the pixels.
    virtual void represent(int visibleHeight) = 0;

    // A short name for how frames reach the screen ("shm", "qt", "gdi").
    virtual std::string_view path() const = 0;
    // Whether waitedFrames and waitedUs mean anything: a presenter that hands its frames
    // to a toolkit cannot see when they arrive.
    virtual bool measuresWaits() const { return true; }

    const Stats &stats() const { return m_stats; }
    void resetStats() { m_stats = {}; }

protected:
    Stats m_stats;
};
