#include "report.h"

#include "limiter.h"
#include "picture.h"

#include <QStringList>

#include <cmath>

namespace {

QString fixed(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

QString orUnknown(const std::optional<double> &v, int decimals, const QString &unit = {})
{
    return v ? fixed(*v, decimals) + unit : QString("unknown");
}

QString percent(double share)
{
    return fixed(share * 100, share < 0.1 ? 1 : 0) + " %";
}

// A level as its constant gives it: 0.05 is "5 %", 0.025 "2.5 %".
QString level(double share)
{
    return QString::number(share * 100) + " %";
}

QString environmentLines(const Environment &e)
{
    return QString("Plovex %1, Qt %2 (%3) on %4: %5, MIT-SHM %6\n"
                   "screen %7, refresh rate %8, compositor %9, window manager %10, scale %11\n"
                   "%12 (%13 cores), governor %14, power %15, %16\n"
                   "before the first run: load average %17, %18 of the processor busy\n")
        .arg(e.plovexVersion, e.qtVersion, e.platform, e.display, e.xServer,
             e.mitShm ? "yes" : "no",
             e.screen + (e.depth ? QString(" at %1 bits").arg(e.depth) : ""),
             orUnknown(e.refreshHz, 1, " Hz"), e.compositor)
        .arg(e.windowManager, e.scale, e.cpuModel, QString::number(e.cores), e.governor, e.power,
             e.kernel, fixed(e.loadAverage, 2), fixed(e.busyBeforePercent, 1) + " %");
}

// One row of the runs' table: each cell right-aligned to its column's heading, the last
// cell as it is.
QString tableRow(const QStringList &cells)
{
    static constexpr int kWidths[] = {3, 6, 10, 9, 11, 13, 7};
    QString row;
    for (std::size_t c = 0; c < std::size(kWidths); ++c)
        row += cells[qsizetype(c)].rightJustified(kWidths[c]) + ' ';
    return row + ' ' + cells.back() + '\n';
}

QString runsTable(const BenchResult &r)
{
    QString out = "CPU: processor time per frame; others: what other programs took during the "
                  "run, of all cores\n";
    out += tableRow({"run", "score", "limit fps", "of limit", "Plovex CPU", "X server CPU",
                     "others", "frames that waited for the server"});
    for (std::size_t i = 0; i < r.runs.size(); ++i) {
        const PlovexRun &run = r.runs[i];
        QString waited =
            run.waited ? QString("%1 of %2").arg(*run.waited).arg(run.frames) : QString("unknown");
        if (run.waitUsPerFrame)
            waited += QString(", %1 us a frame").arg(*run.waitUsPerFrame, 0, 'f', 1);
        out += tableRow({QString::number(i + 1), QString::number(run.score),
                         run.limitFps ? fixed(*run.limitFps, 0) : QString("-"),
                         run.limitFps ? percent(run.score / *run.limitFps) : QString("-"),
                         orUnknown(run.plovexCpuUs, 1, " us"), orUnknown(run.serverCpuUs, 1, " us"),
                         orUnknown(run.otherBusyPercent, 0, " %"), waited});
    }
    return out;
}

QString limitLine(const BenchResult &r, const Summary &s)
{
    const std::optional<double> limit = medianFps(r.limitRuns);
    if (!limit)
        return "limit:    " +
               (r.limitUnavailable.isEmpty() ? QString("not measured") : r.limitUnavailable) + '\n';
    double client = 0, server = 0;
    int known = 0;
    for (const LimitRun &run : r.limitRuns) {
        if (run.clientCpuUs && run.serverCpuUs) {
            client += *run.clientCpuUs;
            server += *run.serverCpuUs;
            ++known;
        }
    }
    QString cpu;
    if (known)
        cpu = QString("; it used %1 us per frame, the X server %2 us")
                  .arg(fixed(client / known, 1), fixed(server / known, 1));
    QString line = QString("limit:    median %1 fps over %2 serial run(s)%3\n"
                           "          the score is %4 of this machine's limit\n")
                       .arg(fixed(*limit, 0))
                       .arg(r.limitRuns.size())
                       .arg(cpu, percent(s.median / *limit));
    if (const std::optional<double> pipelined = medianFps(r.pipelinedRuns))
        line += QString("context:  with frames overlapped the limit program reaches %1 fps "
                        "(%2 run(s)); Plovex presents serially, so this is no limit of its "
                        "score\n")
                    .arg(fixed(*pipelined, 0))
                    .arg(r.pipelinedRuns.size());
    return line;
}

QString summaryLines(const Summary &s, const Levels &l)
{
    QString out = QString("score:    median %1, min %2, max %3, variation %4 %\n")
                      .arg(s.median)
                      .arg(s.min)
                      .arg(s.max)
                      .arg(fixed(s.cv * 100, 1));
    out += QString("          %1 to %2 holds the median with %3 confidence")
               .arg(s.interval.low)
               .arg(s.interval.high)
               .arg(percent(s.interval.confidence));
    if (s.interval.confidence < l.confidence)
        out += QString(" (%1 needs at least %2 runs)")
                   .arg(level(l.confidence))
                   .arg(fewestRunsFor(l.confidence));
    out += '\n';
    if (s.cv > l.unstableCv)
        out += QString("          UNSTABLE: the runs vary by %1 %, more than %2; about %3 runs "
                       "would pin the median to within %4\n")
                   .arg(fixed(s.cv * 100, 1), level(l.unstableCv))
                   .arg(runsNeeded(s.cv, l))
                   .arg(level(l.unstableCv / 2));
    return out;
}

PictureRow pictureRow(const QString &name, const BenchResult &r)
{
    const Summary s = summarise(scores(r));
    return {name.toStdString(),    scores(r),       s.median,
            s.interval.low,        s.interval.high, s.interval.confidence,
            medianFps(r.limitRuns)};
}

QString rankTestName(const RankTest &t)
{
    return t.exact ? "exact Mann-Whitney test" : "Mann-Whitney test, normal approximation";
}

QString pValue(double p)
{
    return p < 0.001 ? QString("p < 0.001") : "p = " + fixed(p, 3);
}

// The rank test's verdict on B against A, and what more runs could tell when it can say
// nothing at these sizes.
std::pair<QString, QString> verdict(const std::vector<double> &sa, const std::vector<double> &sb,
                                    double change, double significance)
{
    const RankTest test = mannWhitney(sa, sb);
    if (test.p < significance) {
        // The rank test decides the direction: B's runs rank above A's when A's U is small.
        const bool faster = test.u < double(sa.size()) * double(sb.size()) / 2;
        return {QString("B is %1 % %2 (%3, %4)")
                    .arg(fixed(std::abs(change) * 100, 0), faster ? "faster" : "slower",
                         pValue(test.p), rankTestName(test)),
                {}};
    }
    const QString line =
        QString("no significant difference at %1 (B's median is %2 % %3; %4, %5)")
            .arg(level(significance), fixed(std::abs(change) * 100, 1),
                 change >= 0 ? "higher" : "lower", pValue(test.p), rankTestName(test));
    const double smallest = smallestRankTestP(int(sa.size()), int(sb.size()));
    if (smallest < significance)
        return {line, {}};
    return {line, QString("with %1 and %2 runs no difference can reach %3 (the smallest possible "
                          "p is %4); measure at least %5 runs each\n")
                      .arg(sa.size())
                      .arg(sb.size())
                      .arg(level(significance), fixed(smallest, 3))
                      .arg(fewestRunsToReach(significance))};
}

} // namespace

QString resultTable(const BenchResult &r, const Levels &levels)
{
    QString out = environmentLines(r.environment) + '\n' + runsTable(r) + '\n';
    if (r.runs.empty())
        return out;
    const Summary s = summarise(scores(r), levels.confidence);
    out += summaryLines(s, levels) + limitLine(r, s);
    out += "limited:  " + whatLimited(r).text + '\n';
    for (const QString &w : r.warnings)
        out += "warning:  " + w + '\n';
    return out;
}

Comparison compareResults(const BenchResult &a, const QString &nameA, const BenchResult &b,
                          const QString &nameB, bool force, const Levels &levels)
{
    Comparison c;
    const QStringList differences = environmentDifferences(a.environment, b.environment);
    if (!differences.isEmpty() && !force) {
        c.refused = true;
        c.text = QString("the results were measured in different environments (%1); "
                         "--force compares them anyway")
                     .arg(differences.join("; "));
        return c;
    }
    const std::vector<double> sa = scores(a), sb = scores(b);
    const Summary ma = summarise(sa, levels.confidence), mb = summarise(sb, levels.confidence);
    for (const auto &[name, r, m] : {std::tuple(nameA, &a, ma), std::tuple(nameB, &b, mb)})
        c.text += QString("%1: median %2 over %3 run(s), variation %4 %, %5\n")
                      .arg(name)
                      .arg(m.median)
                      .arg(m.runs)
                      .arg(fixed(m.cv * 100, 1), r->created);
    for (const QString &d : differences)
        c.text += "note: the environments differ in " + d + '\n';
    const double change = ma.median > 0 ? mb.median / ma.median - 1 : 0;
    const auto [line, more] = verdict(sa, sb, change, levels.significance);
    c.verdict = line;
    c.text += line + '\n' + more;
    return c;
}

std::string resultPicture(const BenchResult &r, const QString &name)
{
    const Summary s = summarise(scores(r));
    const QString title = QString("Plovex: median %1 over %2 run(s), %3 to %4 with %5 confidence")
                              .arg(s.median)
                              .arg(s.runs)
                              .arg(s.interval.low)
                              .arg(s.interval.high)
                              .arg(percent(s.interval.confidence));
    std::vector<std::string> notes;
    for (const QString &w : r.warnings)
        notes.push_back("warning: " + w.toStdString());
    return pictureSvg(title.toStdString(), {pictureRow(name, r)}, notes);
}

std::string comparisonPicture(const BenchResult &a, const QString &nameA, const BenchResult &b,
                              const QString &nameB, const Comparison &comparison)
{
    std::vector<std::string> notes;
    for (const QString &d : environmentDifferences(a.environment, b.environment))
        notes.push_back("the environments differ in " + d.toStdString());
    if (notes.empty())
        notes.push_back("the environments do not differ in what changes scores");
    return pictureSvg(comparison.verdict.toStdString(),
                      {pictureRow(nameA, a), pictureRow(nameB, b)}, notes);
}
