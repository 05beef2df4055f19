#include "tick.h"

#include <chrono>

namespace {

std::uint32_t monotonicTick()
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);
}

TickSource currentSource = monotonicTick;

} // namespace

std::int32_t GetTickCount()
{
    return static_cast<std::int32_t>(currentSource());
}

void setTickSource(TickSource source)
{
    currentSource = source ? source : monotonicTick;
}
