#include "verdict.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

Limiter whatLimited(const BenchResult &r, const Verdict &v)
{
    static constexpr const char *fractions[] = {"", "half of ", "a third of ", "a quarter of "};
    const std::optional<double> &hz = r.environment.refreshHz;
    for (int k = 1; hz && *hz > 0 && k <= 4; ++k)
        if (const double capped = *hz / k;
            std::abs(v.score.median - capped) <= std::max(1.0, 0.02 * capped))
            return {Limiter::Kind::RefreshCap,
                    QString("the median sits at %1the display's refresh rate (%2 Hz): vsync or a "
                            "compositor held the frames back, so this score does not rank the "
                            "machine")
                        .arg(fractions[k - 1], QString::number(*hz, 'f', 1))};
    const ProgramFigures &plovex = v.programs.front();
    if (!plovex.clientUs || !plovex.serverUs)
        return {Limiter::Kind::Unknown,
                "the processor time of Plovex or of the X server could not be read"};
    const double c = *plovex.clientUs, s = *plovex.serverUs;
    const bool plovexMore = c >= s;
    return {plovexMore ? Limiter::Kind::Plovex : Limiter::Kind::XServer,
            QString("%1 used more processor time per frame (%2 us against %3's %4 us)")
                .arg(plovexMore ? "Plovex" : "the X server",
                     QString::number(plovexMore ? c : s, 'f', 1),
                     plovexMore ? "the X server" : "Plovex",
                     QString::number(plovexMore ? s : c, 'f', 1))};
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
    const double frame = tenth(1e6 / score),
                 otherWork = tenth(*plovex - *client + *oneClient - *drawing),
                 serverWork = tenth(*oneServer + *plovexServer - *server);
    return FrameParts{frame, *drawing, otherWork, serverWork,
                      std::max(0.0, tenth(frame - *drawing - otherWork - serverWork))};
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
        .arg(name, QString::number(us, 'f', 0), QString::number(f.frameUs, 'f', 0),
             QString::number(100 * us / f.frameUs, 'f', 0));
}

QString pValues(const ComparedResult &c, std::size_t tests)
{
    const auto p = [](double v) {
        return v < 0.001 ? QString("p < 0.001") : "p = " + QString::number(v, 'f', 3);
    };
    QString text = p(c.test->p);
    if (tests > 1)
        text += QString("; %1 after Holm's correction for %2 comparisons")
                    .arg(p(c.correctedP), QString::number(tests));
    return text + (c.test->exact ? ", exact Mann-Whitney test"
                                 : ", Mann-Whitney test, normal approximation");
}

// The verdict on `c` against `first`, and what more runs could tell when the test can say
// nothing at these sizes.
QString verdictLine(const ComparedResult &c, const ComparedResult &first, std::size_t tests)
{
    const double change = c.ratio - 1;
    if (c.significant)
        return QString("%1 is %2 % %3 than %4 (%5)\n")
            .arg(c.label, QString::number(std::abs(change) * 100, 'f', 0),
                 c.faster ? "faster" : "slower", first.label, pValues(c, tests));
    QString line = QString("%1: no significant difference from %2 at %3 (%1's median is %4 % %5; "
                           "%6)\n")
                       .arg(c.label, first.label, levelText(kSignificance),
                            QString::number(std::abs(change) * 100, 'f', 1),
                            change >= 0 ? "higher" : "lower", pValues(c, tests));
    const int n1 = first.verdict.score.runs, n2 = c.verdict.score.runs;
    const double smallest = std::min(1.0, double(tests) * smallestRankTestP(n1, n2));
    if (smallest >= kSignificance)
        line += QString("   with %1 and %2 runs no difference can reach %3 (the smallest possible "
                        "p is %4); measure at least %5 runs each\n")
                    .arg(QString::number(n1), QString::number(n2), levelText(kSignificance),
                         QString::number(smallest, 'f', 3),
                         QString::number(fewestRunsToReach(kSignificance / double(tests))));
    return line;
}

QJsonObject intervalJson(const MedianInterval &i)
{
    return {{"low", i.low}, {"high", i.high}, {"confidence_percent", i.confidence * 100}};
}

QJsonValue jsonNumber(const std::optional<double> &figure)
{
    return figure ? QJsonValue(*figure) : QJsonValue();
}

} // namespace

QString levelText(double share)
{
    return QString::number(share * 100) + " %";
}

Verdict judge(const BenchResult &r)
{
    Verdict v;
    v.score = summarise(scores(r));
    v.unstable = v.score.cv > kUnstableCv;
    v.runsNeeded = runsNeeded(v.score.cv);
    const QString placement = r.environment.oneCpu ? "one processor" : "free";
    v.programs.push_back({"Plovex, " + placement, v.score.median,
                          median(r.runs, &PlovexRun::plovexCpuUs),
                          median(r.runs, &PlovexRun::serverCpuUs)});
    v.limitFps = median(r.limitRuns, &LimitRun::fps);
    v.oneCpuLimitFps = median(r.oneCpuLimitRuns, &LimitRun::fps);
    const std::pair<QString, const std::vector<LimitRun> *> limits[] = {
        {"plovex-limit, " + placement, &r.limitRuns},
        {"plovex-limit, one processor", &r.oneCpuLimitRuns}};
    for (const auto &[what, runs] : limits)
        if (!runs->empty())
            v.programs.push_back({what, *median(*runs, &LimitRun::fps),
                                  median(*runs, &LimitRun::clientCpuUs),
                                  median(*runs, &LimitRun::serverCpuUs)});
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

Comparison compareResults(const std::vector<BenchResult> &results, const QStringList &names,
                          bool force, std::optional<double> failIfSlower)
{
    Comparison c;
    c.failIfSlower = failIfSlower;
    QStringList labels;
    for (std::size_t i = 0; i < results.size(); ++i)
        labels.append(QString(QChar('A' + int(i))));
    c.differences = environmentDifferences(results, labels);
    c.refused = !c.differences.isEmpty() && !force;
    if (c.refused)
        return c;
    std::vector<double> p;
    for (std::size_t i = 0; i < results.size(); ++i) {
        ComparedResult r{labels[qsizetype(i)], names[qsizetype(i)], results[i], judge(results[i])};
        if (i > 0) {
            const ComparedResult &first = c.results.front();
            r.ratio = first.verdict.score.median > 0
                          ? r.verdict.score.median / first.verdict.score.median
                          : 1;
            r.test = mannWhitney(scores(first.result), scores(r.result));
            // The rank test decides the direction: the later runs rank above the first's
            // when the first's U is small.
            r.faster = r.test->u < double(first.verdict.score.runs) * r.verdict.score.runs / 2;
            p.push_back(r.test->p);
        }
        c.results.push_back(std::move(r));
    }
    const std::vector<double> corrected = holm(p);
    for (std::size_t i = 1; i < c.results.size(); ++i) {
        ComparedResult &r = c.results[i];
        r.correctedP = corrected[i - 1];
        r.significant = r.correctedP < kSignificance;
        r.failsGate =
            failIfSlower && r.significant && !r.faster && r.ratio < 1 - *failIfSlower / 100;
        c.failed = c.failed || r.failsGate;
        r.line = verdictLine(r, c.results.front(), p.size());
    }
    return c;
}

QJsonObject verdictJson(const Verdict &v)
{
    static constexpr const char *kinds[] = {"refresh-cap", "plovex", "x-server", "unknown"};
    const Summary &s = v.score;
    QJsonArray programs;
    for (const ProgramFigures &p : v.programs)
        programs.append(QJsonObject{{"what", p.what},
                                    {"fps", p.fps},
                                    {"cpu_us_per_frame", jsonNumber(p.clientUs)},
                                    {"server_cpu_us_per_frame", jsonNumber(p.serverUs)}});
    return {
        {"runs", s.runs},
        {"median", s.median},
        {"min", s.min},
        {"max", s.max},
        {"mean", s.mean},
        {"cv_percent", s.cv * 100},
        {"median_interval", intervalJson(s.interval)},
        {"unstable", v.unstable},
        {"runs_needed", v.unstable ? QJsonValue(v.runsNeeded) : QJsonValue()},
        {"limit_fps_median", jsonNumber(v.limitFps)},
        {"percent_of_limit", v.limitFps ? QJsonValue(s.median / *v.limitFps * 100) : QJsonValue()},
        {"one_cpu_limit_fps_median", jsonNumber(v.oneCpuLimitFps)},
        {"programs", programs},
        {"frame_us", v.frame ? QJsonValue(QJsonObject{{"frame", v.frame->frameUs},
                                                      {"drawing", v.frame->drawingUs},
                                                      {"plovex_other_work", v.frame->otherUs},
                                                      {"x_server", v.frame->serverUs},
                                                      {"handover", v.frame->handoverUs}})
                             : QJsonValue()},
        {"frame_text", v.frameText},
        {"limited_by", QJsonObject{{"kind", kinds[int(v.limited.kind)]}, {"text", v.limited.text}}},
    };
}

QByteArray comparisonJson(const Comparison &c)
{
    QJsonArray results;
    for (const ComparedResult &r : c.results) {
        const Summary &s = r.verdict.score;
        QJsonObject o{{"label", r.label},
                      {"file", r.name},
                      {"created", r.result.created},
                      {"runs", s.runs},
                      {"median", s.median},
                      {"median_interval", intervalJson(s.interval)},
                      {"cv_percent", s.cv * 100},
                      {"limit_fps_median", jsonNumber(r.verdict.limitFps)},
                      {"ratio_to_first", r.ratio}};
        if (r.test)
            for (const auto &[key, value] : {std::pair<const char *, QJsonValue>{"p", r.test->p},
                                             {"p_holm", r.correctedP},
                                             {"exact", r.test->exact},
                                             {"significant", r.significant},
                                             {"faster", r.significant && r.faster},
                                             {"slower", r.significant && !r.faster},
                                             {"fails_gate", r.failsGate},
                                             {"verdict", r.line.section('\n', 0, 0)}})
                o.insert(key, value);
        results.append(o);
    }
    const QJsonObject root{
        {"schema", kComparisonSchema},
        {"schema_version", kComparisonSchemaVersion},
        {"differences", QJsonArray::fromStringList(c.differences)},
        {"refused", c.refused},
        {"results", results},
        {"fail_if_slower_percent", jsonNumber(c.failIfSlower)},
        {"gate_failed", c.failed},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
