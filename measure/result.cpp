#include "result.h"

#include <algorithm>
#include <cmath>

namespace {

// A field that changes scores: its text in a result (empty: unknown, like any other), and
// whether two results have the same.
struct ScoreField
{
    const char *name;
    QString (*text)(const Environment &);
    bool (*same)(const Environment &, const Environment &);
};

template <QString Environment::*member> QString textOf(const Environment &e)
{
    return e.*member;
}

template <QString (*text)(const Environment &)>
bool sameText(const Environment &a, const Environment &b)
{
    return text(a) == text(b);
}

QString hz(const Environment &e)
{
    return e.refreshHz ? QString::number(*e.refreshHz, 'f', 1) + " Hz" : QString("unknown");
}

QString depth(const Environment &e)
{
    return e.depth ? QString("%1 bits").arg(e.depth) : QString(); // older files do not know
}

QString placement(const Environment &e)
{
    return e.oneCpu ? "one processor" : "free";
}

constexpr ScoreField kFields[] = {
    {"platform", textOf<&Environment::platform>, sameText<textOf<&Environment::platform>>},
    {"screen depth", depth, sameText<depth>},
    {"X server", textOf<&Environment::xServer>, sameText<textOf<&Environment::xServer>>},
    {"compositor", textOf<&Environment::compositor>, sameText<textOf<&Environment::compositor>>},
    {"refresh rate", hz,
     [](const Environment &a, const Environment &b) {
         return a.refreshHz.has_value() == b.refreshHz.has_value() &&
                (!a.refreshHz || std::abs(*a.refreshHz - *b.refreshHz) <= 0.5);
     }},
    {"CPU model", textOf<&Environment::cpuModel>, sameText<textOf<&Environment::cpuModel>>},
    {"placement", placement, sameText<placement>},
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
    if (done >= runs && medianPinned(summarise(scores), *precision / 100))
        return EndedBy::Precision;
    return done >= maxRuns ? std::optional(EndedBy::MaxRuns) : std::nullopt;
}

QStringList environmentDifferences(const std::vector<const Environment *> &environments,
                                   const QStringList &labels)
{
    QStringList differences;
    for (const ScoreField &f : kFields) {
        // Each value with the results that have it, in the order they first appear.
        std::vector<std::pair<const Environment *, QStringList>> values;
        for (std::size_t i = 0; i < environments.size(); ++i) {
            const Environment &e = *environments[i];
            if (f.text(e).isEmpty())
                continue;
            const auto same = std::find_if(values.begin(), values.end(),
                                           [&](const auto &v) { return f.same(*v.first, e); });
            if (same == values.end())
                values.push_back({&e, {labels[qsizetype(i)]}});
            else
                same->second.append(labels[qsizetype(i)]);
        }
        if (values.size() < 2)
            continue;
        QStringList parts;
        for (const auto &[e, names] : values)
            parts.append(f.text(*e) + " in " + listed(names));
        differences.append(QString(f.name) + ": " + parts.join(", "));
    }
    return differences;
}
