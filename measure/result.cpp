#include "result.h"

#include <cmath>

std::vector<double> scores(const BenchResult &result)
{
    std::vector<double> v;
    for (const PlovexRun &run : result.runs)
        v.push_back(run.score);
    return v;
}

std::optional<double> medianFps(const std::vector<LimitRun> &runs)
{
    if (runs.empty())
        return std::nullopt;
    std::vector<double> v;
    for (const LimitRun &run : runs)
        v.push_back(run.fps);
    return summarise(v).median;
}

QStringList environmentDifferences(const Environment &a, const Environment &b)
{
    auto hz = [](const std::optional<double> &v) {
        return v ? QString::number(*v, 'f', 1) + " Hz" : QString("unknown");
    };
    const bool refreshDiffers = a.refreshHz.has_value() != b.refreshHz.has_value() ||
                                (a.refreshHz && std::abs(*a.refreshHz - *b.refreshHz) > 0.5);
    // A depth a file does not know differs from none.
    auto depth = [&](const Environment &e) {
        return a.depth && b.depth ? QString("%1 bits").arg(e.depth) : QString();
    };
    const std::pair<const char *, std::pair<QString, QString>> fields[] = {
        {"platform", {a.platform, b.platform}},
        {"screen depth", {depth(a), depth(b)}},
        {"X server", {a.xServer, b.xServer}},
        {"compositor", {a.compositor, b.compositor}},
        {"refresh rate", {hz(a.refreshHz), refreshDiffers ? hz(b.refreshHz) : hz(a.refreshHz)}},
        {"CPU model", {a.cpuModel, b.cpuModel}},
    };
    QStringList differences;
    for (const auto &[name, values] : fields)
        if (values.first != values.second)
            differences.append(QString("%1: %2 vs %3").arg(name, values.first, values.second));
    return differences;
}
