#include "limitreport.h"

#include "presentreport.h"

#include <array>
#include <charconv>
#include <cmath>

namespace {

// The fields in the order they are written, with their digits after the point.
struct Key
{
    std::string_view name;
    int decimals;
};
constexpr std::array<Key, 7> kKeys{{
    {"frames", 0},
    {"ms", 1},
    {"fps", 1},
    {"waited", 0},
    {"cpu_us", 1},
    {"draw_us", 1},
    {"wait_us", 1},
}};

} // namespace

std::string LimitReport::format() const
{
    const std::array<double, kKeys.size()> values{double(frames), ms,     fps(), double(waited),
                                                  cpuUs,          drawUs, waitUs};
    std::string line;
    for (std::size_t i = 0; i < kKeys.size(); ++i)
        line += std::string(i ? " " : "") + std::string(kKeys[i].name) + "=" +
                plainNumber(values[i], kKeys[i].decimals);
    return line;
}

std::optional<LimitReport> LimitReport::parse(std::string_view line)
{
    std::array<double, kKeys.size()> values{};
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        const std::string prefix = std::string(i ? " " : "") + std::string(kKeys[i].name) + "=";
        if (!line.starts_with(prefix))
            return std::nullopt;
        line.remove_prefix(prefix.size());
        const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), values[i],
                                                  std::chars_format::fixed);
        if (error != std::errc() || !(values[i] >= 0 && values[i] < 1e15) ||
            (kKeys[i].decimals == 0 && values[i] != std::floor(values[i])))
            return std::nullopt;
        line.remove_prefix(std::size_t(end - line.data()));
    }
    if (!line.empty())
        return std::nullopt;
    LimitReport r;
    r.frames = (long long)values[0];
    r.ms = values[1];
    r.waited = (long long)values[3];
    r.cpuUs = values[4];
    r.drawUs = values[5];
    r.waitUs = values[6];
    return r;
}
