// What plovex-limit prints as its run ends, and how it ends: one definition for the program
// and for plovex-bench, which starts it and reads both. Its numbers are written and read in
// the one form every program reads, whatever the user's locale:
//   frames=40772 ms=8800.1 fps=4633.1 waited=40100 cpu_us=95.2 draw_us=38.4 wait_us=61.0
// waited counts the frames whose put the server had not completed when the program first
// looked; cpu_us is the program's processor time per frame, draw_us the time it drew a frame
// (the engine's frame, without the put) and wait_us the time a frame waited for the server.
#pragma once

#include <optional>
#include <string>
#include <string_view>

enum class LimitStatus {
    Measured = 0,
    Failed = 1,
    BadUse = 2,
    Unavailable = 3, // the display cannot take its images (no MIT-SHM, no 32-bit pixels)
};

// The line plovex-limit prints as its timed loop starts, and how its report begins.
inline constexpr std::string_view kLimitStarted = "measuring";
inline constexpr std::string_view kLimitReported = "frames=";

struct LimitReport
{
    long long frames = 0;
    double ms = 0;
    long long waited = 0;
    double cpuUs = 0;
    double drawUs = 0;
    double waitUs = 0;

    bool operator==(const LimitReport &) const = default;

    double fps() const { return ms > 0 ? double(frames) * 1000.0 / ms : 0.0; }
    std::string format() const;
    // The report in `line`, or nothing unless it holds every field, in order, each a number.
    static std::optional<LimitReport> parse(std::string_view line);
};
