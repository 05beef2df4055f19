#include "presentreport.h"

#include "fieldbitmap.h"
#include "presenter.h"

#include <array>
#include <charconv>

namespace {

// The clear the run took, one word per method in the order of ClearMethod.
constexpr std::array<std::string_view, 2> kClearWords = {"plain", "streaming"};
static_assert(std::size_t(ClearMethod::StreamingStores) == kClearWords.size() - 1);

std::optional<std::uint64_t> number(std::string_view text)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

PresentReport PresentReport::of(std::uint64_t frames, const Presenter &presenter)
{
    PresentReport report;
    report.path = std::string(presenter.path());
    report.frames = frames;
    report.puts = presenter.stats().puts;
    report.clear = std::string(kClearWords[std::size_t(clearMethod())]);
    if (presenter.measuresWaits()) {
        report.waited = presenter.stats().waitedFrames;
        report.waitUs = presenter.stats().waitedUs;
    }
    return report;
}

std::optional<double> PresentReport::waitUsPerFrame() const
{
    if (!waitUs || frames == 0)
        return std::nullopt;
    return double(*waitUs) / double(frames);
}

std::string PresentReport::format() const
{
    std::string text =
        "path=" + path + " frames=" + std::to_string(frames) + " puts=" + std::to_string(puts);
    if (waited)
        text += " waited=" + std::to_string(*waited);
    if (waitUs) {
        text += " wait_us=" + std::to_string(*waitUs);
        if (const std::optional<double> perFrame = waitUsPerFrame())
            text += " wait_us_per_frame=" + plainNumber(*perFrame, 1);
    }
    if (!clear.empty())
        text += " clear=" + clear;
    return text;
}

std::optional<PresentReport> PresentReport::parse(std::string_view text)
{
    PresentReport report;
    std::optional<std::uint64_t> frames, puts;
    const std::array<std::pair<std::string_view, std::optional<std::uint64_t> *>, 4> counts{{
        {"frames", &frames},
        {"puts", &puts},
        {"waited", &report.waited},
        {"wait_us", &report.waitUs},
    }};
    const std::array<std::pair<std::string_view, std::string *>, 2> words{{
        {"path", &report.path},
        {"clear", &report.clear},
    }};
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string_view pair = text.substr(0, space);
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
        if (pair.empty())
            continue;
        const std::size_t eq = pair.find('=');
        if (eq == 0 || eq == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = pair.substr(0, eq);
        const std::string_view value = pair.substr(eq + 1);
        // Anything else (wait_us_per_frame, which follows from the others, or a field of
        // a later version) is passed over.
        for (const auto &[name, field] : counts)
            if (key == name && !(*field = number(value)))
                return std::nullopt;
        for (const auto &[name, field] : words) {
            if (key != name)
                continue;
            if (value.empty())
                return std::nullopt;
            *field = std::string(value);
        }
    }
    if (report.path.empty() || !frames)
        return std::nullopt;
    report.frames = *frames;
    report.puts = puts.value_or(0);
    return report;
}

std::string plainNumber(double value)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string plainNumber(double value, int decimals)
{
    char text[64];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return error == std::errc() ? std::string(text, end) : plainNumber(value);
}
