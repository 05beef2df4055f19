#include "result.h"

#include <cmath>

namespace {

// The fields that change scores, each as a text that is the same for results that do not
// differ in it; empty where a result does not know it (older files), which then differs
// from none. Refresh rates count to the nearest hertz: 59.94 is 60.
using FieldText = QString (*)(const Environment &);
constexpr std::pair<const char *, FieldText> kFields[] = {
    {"platform", [](const Environment &e) { return e.platform; }},
    {"screen depth",
     [](const Environment &e) { return e.depth ? QString("%1 bits").arg(e.depth) : QString(); }},
    {"X server", [](const Environment &e) { return e.xServer; }},
    {"compositor", [](const Environment &e) { return e.compositor; }},
    {"refresh rate",
     [](const Environment &e) {
         return e.refreshHz ? QString("%1 Hz").arg(std::round(*e.refreshHz)) : QString("unknown");
     }},
    {"CPU model", [](const Environment &e) { return e.cpuModel; }},
    {"placement",
     [](const Environment &e) { return QString(e.oneCpu ? "one processor" : "free"); }},
};

// "A", "A and B", "A, B and C".
QString listed(QStringList names)
{
    const QString last = names.takeLast();
    return names.isEmpty() ? last : names.join(", ") + " and " + last;
}

} // namespace

std::vector<double> scores(const BenchResult &result)
{
    std::vector<double> v;
    for (const PlovexRun &run : result.runs)
        v.push_back(run.score);
    return v;
}

std::optional<EndedBy> endedBy(const std::vector<double> &scores, int runs,
                               std::optional<double> precision, int maxRuns)
{
    const int done = int(scores.size());
    if (!precision)
        return done >= runs ? std::optional(EndedBy::Runs) : std::nullopt;
    if (done >= runs) {
        // Pinned: the median's interval reaches the level and lies within the precision of it.
        const Summary s = summarise(scores);
        const double within = *precision / 100 * s.median;
        if (s.interval.confidence >= kConfidenceLevel && s.median - s.interval.low <= within &&
            s.interval.high - s.median <= within)
            return EndedBy::Precision;
    }
    return done >= maxRuns ? std::optional(EndedBy::MaxRuns) : std::nullopt;
}

QStringList environmentDifferences(const std::vector<BenchResult> &results,
                                   const QStringList &labels)
{
    QStringList differences;
    for (const auto &[name, text] : kFields) {
        // Each value with the results that have it, in the order they first appear.
        QStringList values;
        std::vector<QStringList> having;
        for (std::size_t i = 0; i < results.size(); ++i) {
            const QString value = text(results[i].environment);
            if (value.isEmpty())
                continue;
            if (!values.contains(value)) {
                values.append(value);
                having.emplace_back();
            }
            having[std::size_t(values.indexOf(value))].append(labels[qsizetype(i)]);
        }
        for (qsizetype v = 0; v < values.size(); ++v)
            values[v] += " in " + listed(having[std::size_t(v)]);
        if (values.size() > 1)
            differences.append(QString(name) + ": " + values.join(", "));
    }
    return differences;
}
