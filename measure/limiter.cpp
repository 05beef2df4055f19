#include "limiter.h"

#include <cmath>

namespace {

double median(const std::vector<double> &v)
{
    return summarise(v).median;
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

// How many of the runs' frames had to wait for the server to finish with the last one, and
// how long a frame waited on average where Plovex says.
QString waiting(const std::vector<PlovexRun> &runs)
{
    long long frames = 0, waited = 0;
    double waitUs = 0;
    bool timed = true;
    for (const PlovexRun &run : runs) {
        if (run.waited) {
            frames += run.frames;
            waited += *run.waited;
            timed = timed && run.waitUsPerFrame;
            waitUs += run.waitUsPerFrame.value_or(0) * double(run.frames);
        }
    }
    if (frames > 0)
        return QString("%1 of %2 frames (%3 %) waited for the server%4")
            .arg(waited)
            .arg(frames)
            .arg(100.0 * double(waited) / double(frames), 0, 'f', 1)
            .arg(timed ? QString(", %1 us a frame").arg(waitUs / double(frames), 0, 'f', 1) : "");
    if (const QString path = runs.back().presentPath; path != "unknown")
        return QString("Plovex presented its frames by its \"%1\" path, which does not say how "
                       "long they waited")
            .arg(path);
    return "how long frames waited for the server is unknown (this Plovex does not report it)";
}

} // namespace

Limiter whatLimited(const BenchResult &result)
{
    if (result.runs.empty())
        return {Limiter::Kind::Unknown, "no runs"};
    if (auto capped = refreshCap(median(scores(result)), result.environment.refreshHz))
        return *capped;
    std::vector<double> client, server;
    for (const PlovexRun &run : result.runs) {
        if (run.plovexCpuUs && run.serverCpuUs) {
            client.push_back(*run.plovexCpuUs);
            server.push_back(*run.serverCpuUs);
        }
    }
    if (client.empty())
        return {Limiter::Kind::Unknown, "the processor time of Plovex or of the X server could "
                                        "not be read; " +
                                            waiting(result.runs)};
    const double c = median(client), s = median(server);
    const bool plovexMore = c >= s;
    return {plovexMore ? Limiter::Kind::Plovex : Limiter::Kind::XServer,
            QString("%1 used more processor time per frame (%2 us against %3's %4 us); %5")
                .arg(plovexMore ? "Plovex" : "the X server")
                .arg(plovexMore ? c : s, 0, 'f', 1)
                .arg(plovexMore ? "the X server" : "Plovex")
                .arg(plovexMore ? s : c, 0, 'f', 1)
                .arg(waiting(result.runs))};
}
