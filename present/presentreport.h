// What Plovex leaves on its window at the finish (the _PLOVEX_PRESENT text property), for
// whoever compares runs: which way the frames reached the screen and what waiting for the
// window system cost. One definition for the program that writes it and those that read it:
//   path=shm frames=84612 puts=84613 waited=84600 wait_us=912345 wait_us_per_frame=10.8 clear=plain
// waited and wait_us appear only where the presenter sees its frames arrive; clear says
// which stores the field's clear took ("plain" or "streaming"), and may be missing from
// older reports. Readers ignore fields they do not know.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class Presenter;

struct PresentReport
{
    std::string path;                    // "shm", "qt", "gdi"
    std::uint64_t frames = 0;            // frames of the run
    std::uint64_t puts = 0;              // images handed to the window system
    std::optional<std::uint64_t> waited; // frames that waited for their completion
    std::optional<std::uint64_t> waitUs; // the time they waited, in total
    std::string clear;                   // the clear the run took; empty when not said

    bool operator==(const PresentReport &) const = default;

    // A run's report from its frame count, its presenter's figures and the clear taken.
    static PresentReport of(std::uint64_t frames, const Presenter &presenter);

    // Waiting per frame of the run in microseconds, when known.
    std::optional<double> waitUsPerFrame() const;

    std::string format() const;
    // The report in `text`, or nothing when it has no path or a field is not a number.
    static std::optional<PresentReport> parse(std::string_view text);
};

// The name of the window property that carries the report.
inline constexpr std::string_view kPresentProperty = "_PLOVEX_PRESENT";

// Numbers for other programs and files, in the one form all of them read whatever the
// user's locale ("4633.1", never "4633,1"): the shortest text that reads back exactly, or
// `decimals` digits after the point.
std::string plainNumber(double value);
std::string plainNumber(double value, int decimals);
