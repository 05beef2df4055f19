#include "limitreport.h"

#include "presentreport.h"

#include <array>
#include <charconv>
#include <cmath>

namespace {

// The fields in the order they are written, with their digits after the point.
constexpr std::array<std::pair<std::string_view, int>, 7> kKeys{{
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
    const double values[] = {double(frames), ms, fps(), double(waited), cpuUs, drawUs, waitUs};
    std::string line;
    for (std::size_t i = 0; i < kKeys.size(); ++i)
        line.append(i ? " " : "")
            .append(kKeys[i].first)
            .append("=")
            .append(plainNumber(values[i], kKeys[i].second));
    return line;
}

std::optional<LimitReport> LimitReport::parse(std::string_view line)
{
    std::array<double, kKeys.size()> v{};
    for (std::size_t i = 0; const auto &[key, decimals] : kKeys) {
        const std::string prefix = std::string(i ? " " : "").append(key).append("=");
        if (!line.starts_with(prefix))
            return std::nullopt;
        line.remove_prefix(prefix.size());
        const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), v[i]);
        if (error != std::errc() || !(v[i] >= 0 && v[i] < 1e15) ||
            (decimals == 0 && v[i] != std::floor(v[i])))
            return std::nullopt;
        line.remove_prefix(std::size_t(end - line.data()));
        ++i;
    }
    if (!line.empty())
        return std::nullopt;
    return LimitReport{(long long)v[0], v[1], (long long)v[3], v[4], v[5], v[6]};
}
