#include "verdict.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The median of a figure over the runs that know it.
template <class Run, class Figure>
std::optional<double> median(const std::vector<Run> &runs, Figure Run::*figure)
{
    std::vector<double> known;
    for (const Run &run : runs)
        if (const std::optional<double> v = run.*figure)
            known.push_back(*v);
    return known.empty() ? std::nullopt : std::optional(summarise(known).median);
}

ProgramFigures limitFigures(const QString &what, const std::vector<LimitRun> &runs)
{
    return {what, *median(runs, &LimitRun::fps), median(runs, &LimitRun::clientCpuUs),
            median(runs, &LimitRun::serverCpuUs)};
}

std::optional<Limiter> refreshCap(double score, const std::optional<double> &hz)
{
    static constexpr const char *fractions[] = {"", "half of ", "a third of ", "a quarter of "};
    for (int k = 1; hz && *hz > 0 && k <= 4; ++k) {
        const double capped = *hz / k;
        if (std::abs(score - capped) <= std::max(1.0, 0.02 * capped))
            return Limiter{Limiter::Kind::RefreshCap,
                           QString("the median sits at %1the display's refresh rate (%2 Hz): "
                                   "vsync or a compositor held the frames back, so this score "
                                   "does not rank the machine")
                               .arg(fractions[k - 1])
                               .arg(*hz, 0, 'f', 1)};
    }
    return std::nullopt;
}

Limiter whatLimited(const BenchResult &r, const Verdict &v)
{
    if (auto capped = refreshCap(v.score.median, r.environment.refreshHz))
        return *capped;
    const ProgramFigures &plovex = v.programs.front();
    if (!plovex.clientUs || !plovex.serverUs)
        return {Limiter::Kind::Unknown,
                "the processor time of Plovex or of the X server could not be read"};
    const double c = *plovex.clientUs, s = *plovex.serverUs;
    const bool plovexMore = c >= s;
    return {plovexMore ? Limiter::Kind::Plovex : Limiter::Kind::XServer,
            QString("%1 used more processor time per frame (%2 us against %3's %4 us)")
                .arg(plovexMore ? "Plovex" : "the X server")
                .arg(plovexMore ? c : s, 0, 'f', 1)
                .arg(plovexMore ? "the X server" : "Plovex")
                .arg(plovexMore ? s : c, 0, 'f', 1)};
}

// Plovex's frame from its own figures, the limit's in the same placement and the limit's on
// one processor (`reference`), where every figure is known. The limit does the same drawing
// and put as Plovex: what Plovex uses beyond it is its other work, what the server does
// beyond it is for Plovex's window, and on one processor neither pays for the hand-over.
std::optional<FrameParts> frameParts(double score, const std::vector<PlovexRun> &runs,
                                     const std::vector<LimitRun> &limit,
                                     const std::vector<LimitRun> &reference)
{
    const std::array figures{
        median(runs, &PlovexRun::plovexCpuUs),     median(runs, &PlovexRun::serverCpuUs),
        median(limit, &LimitRun::clientCpuUs),     median(limit, &LimitRun::serverCpuUs),
        median(reference, &LimitRun::clientCpuUs), median(reference, &LimitRun::serverCpuUs),
        median(reference, &LimitRun::drawUs)};
    if (score <= 0 || std::any_of(figures.begin(), figures.end(), [](auto &f) { return !f; }))
        return std::nullopt;
    const auto [plovex, plovexServer, client, server, oneClient, oneServer, drawing] = figures;
    const auto tenth = [](double us) { return std::round(us * 10) / 10; };
    FrameParts f;
    f.frameUs = tenth(1e6 / score);
    f.drawingUs = *drawing;
    f.otherUs = tenth(*plovex - *client + *oneClient - *drawing);
    f.serverUs = tenth(*oneServer + *plovexServer - *server);
    f.handoverUs = std::max(0.0, tenth(f.frameUs - f.drawingUs - f.otherUs - f.serverUs));
    return f;
}

QString dominantPart(const FrameParts &f)
{
    const std::pair<double, const char *> parts[] = {
        {f.drawingUs, "The drawing"},
        {f.otherUs, "Plovex's other work"},
        {f.serverUs, "The X server's work"},
        {f.handoverUs, "The hand-over between the processors"},
    };
    const auto &[us, name] = *std::max_element(std::begin(parts), std::end(parts),
                                               [](auto &l, auto &r) { return l.first < r.first; });
    return QString("%1 dominates: %2 of the frame's %3 us (%4 %).")
        .arg(name)
        .arg(us, 0, 'f', 0)
        .arg(f.frameUs, 0, 'f', 0)
        .arg(100 * us / f.frameUs, 0, 'f', 0);
}

} // namespace

Verdict judge(const BenchResult &r, const Levels &levels)
{
    Verdict v;
    v.score = summarise(scores(r), levels.confidence);
    v.unstable = v.score.cv > levels.unstableCv;
    v.runsNeeded = runsNeeded(v.score.cv, levels);
    const QString placement = r.environment.oneCpu ? "one processor" : "free";
    v.programs.push_back({"Plovex, " + placement, v.score.median,
                          median(r.runs, &PlovexRun::plovexCpuUs),
                          median(r.runs, &PlovexRun::serverCpuUs)});
    if (!r.limitRuns.empty()) {
        v.programs.push_back(limitFigures("plovex-limit, " + placement, r.limitRuns));
        v.limitFps = v.programs.back().fps;
    }
    if (!r.oneCpuLimitRuns.empty()) {
        v.programs.push_back(limitFigures("plovex-limit, one processor", r.oneCpuLimitRuns));
        v.oneCpuLimitFps = v.programs.back().fps;
    }
    // On one processor already, the limit runs themselves show a frame without the hand-over.
    const std::vector<LimitRun> &reference = r.environment.oneCpu ? r.limitRuns : r.oneCpuLimitRuns;
    v.frame = frameParts(v.score.median, r.runs, r.limitRuns, reference);
    if (v.frame)
        v.frameText = dominantPart(*v.frame);
    else if (reference.empty())
        v.frameText = "not known without the limit on one processor" +
                      (r.oneCpuUnavailable.isEmpty() ? QString() : ": " + r.oneCpuUnavailable);
    else
        v.frameText = "not known: some processor or drawing times were not measured";
    v.limited = whatLimited(r, v);
    return v;
}
