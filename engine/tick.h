// The millisecond tick counter behind one replaceable source, so tests can drive
// a whole measurement run without waiting for it.
#pragma once

#include <cstdint>

// A wrapping 32-bit millisecond count, as the system's tick counter gives it.
using TickSource = std::uint32_t (*)();

// Current tick as a signed 32-bit value; differences are taken modulo 2^32.
std::int32_t GetTickCount();

// Replaces the source; nullptr restores the monotonic system clock.
void setTickSource(TickSource source);

// Milliseconds from `from` to `to`, correct across a wrap of the counter.
constexpr std::int32_t tickDifference(std::int32_t to, std::int32_t from)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(to) -
                                     static_cast<std::uint32_t>(from));
}
