#include "report.h"

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

QString environmentLines(const Environment &e)
{
    return QString("Plovex %1, Qt %2 (%3) on %4: %5, MIT-SHM %6\n"
                   "screen %7, refresh rate %8, compositor %9, window manager %10, scale %11\n"
                   "%12 (%13 cores), governor %14, power %15, %16\n"
                   "before the first run: load average %17, %18 of the processor busy\n")
        .arg(e.plovexVersion, e.qtVersion, e.platform, e.display, e.xServer,
             e.mitShm ? "yes" : "no", e.screen, orUnknown(e.refreshHz, 1, " Hz"), e.compositor)
        .arg(e.windowManager, e.scale, e.cpuModel, QString::number(e.cores), e.governor, e.power,
             e.kernel, fixed(e.loadAverage, 2), fixed(e.busyBeforePercent, 1) + " %");
}

QString runsTable(const BenchResult &r)
{
    QStringList lines;
    lines.append("CPU: processor time per frame; others: what other programs took during the "
                 "run, of all cores");
    lines.append(QString("%1 %2 %3 %4 %5 %6 %7  %8")
                     .arg("run", 3)
                     .arg("score", 6)
                     .arg("limit fps", 10)
                     .arg("of limit", 9)
                     .arg("Plovex CPU", 11)
                     .arg("X server CPU", 13)
                     .arg("others", 7)
                     .arg("pipelined frames"));
    for (std::size_t i = 0; i < r.runs.size(); ++i) {
        const PlovexRun &run = r.runs[i];
        const QString limitShare = run.limitFps ? percent(run.score / *run.limitFps) : QString("-");
        const QString pipelined =
            run.waited ? QString("%1 of %2").arg(run.frames - *run.waited).arg(run.frames)
                       : QString("unknown");
        lines.append(QString("%1 %2 %3 %4 %5 %6 %7  %8")
                         .arg(i + 1, 3)
                         .arg(run.score, 6)
                         .arg(run.limitFps ? fixed(*run.limitFps, 0) : QString("-"), 10)
                         .arg(limitShare, 9)
                         .arg(orUnknown(run.plovexCpuUs, 1, " us"), 11)
                         .arg(orUnknown(run.serverCpuUs, 1, " us"), 13)
                         .arg(orUnknown(run.otherBusyPercent, 0, " %"), 7)
                         .arg(pipelined));
    }
    return lines.join('\n') + '\n';
}

QString limitLine(const BenchResult &r, const Summary &s)
{
    const std::optional<double> limit = medianLimitFps(r);
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
    return QString("limit:    median %1 fps over %2 run(s)%3\n"
                   "          the score is %4 of this machine's limit\n")
        .arg(fixed(*limit, 0))
        .arg(r.limitRuns.size())
        .arg(cpu, percent(s.median / *limit));
}

QString rankTestName(const RankTest &t)
{
    return t.exact ? "exact Mann-Whitney test" : "Mann-Whitney test, normal approximation";
}

QString pValue(double p)
{
    return p < 0.001 ? QString("p < 0.001") : "p = " + fixed(p, 3);
}

} // namespace

QString resultTable(const BenchResult &r)
{
    QString out = environmentLines(r.environment) + '\n' + runsTable(r) + '\n';
    if (r.runs.empty())
        return out;
    const Summary s = summarise(scores(r));
    out += QString("score:    median %1, min %2, max %3, variation %4 %\n")
               .arg(s.median)
               .arg(s.min)
               .arg(s.max)
               .arg(fixed(s.cv * 100, 1));
    QString interval = QString("          %1 to %2 holds the median with %3 confidence")
                           .arg(s.interval.low)
                           .arg(s.interval.high)
                           .arg(percent(s.interval.confidence));
    if (s.interval.confidence < kConfidenceLevel)
        interval += " (95 % needs at least 6 runs)";
    out += interval + '\n';
    if (s.cv > kUnstableCv)
        out += QString("          UNSTABLE: the runs vary by %1 %, more than 5 %; about %2 runs "
                       "would pin the median to within 2.5 %\n")
                   .arg(fixed(s.cv * 100, 1))
                   .arg(runsNeeded(s.cv));
    out += limitLine(r, s);
    out += "limited:  " + whatLimited(r).text + '\n';
    for (const QString &w : r.warnings)
        out += "warning:  " + w + '\n';
    return out;
}

Comparison compareResults(const BenchResult &a, const QString &nameA, const BenchResult &b,
                          const QString &nameB, bool force)
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
    const Summary ma = summarise(sa), mb = summarise(sb);
    for (const auto &[name, r, m] : {std::tuple(nameA, &a, ma), std::tuple(nameB, &b, mb)})
        c.text += QString("%1: median %2 over %3 run(s), variation %4 %, %5\n")
                      .arg(name)
                      .arg(m.median)
                      .arg(m.runs)
                      .arg(fixed(m.cv * 100, 1), r->created);
    for (const QString &d : differences)
        c.text += "note: the environments differ in " + d + '\n';

    const RankTest test = mannWhitney(sa, sb);
    const double change = ma.median > 0 ? mb.median / ma.median - 1 : 0;
    if (test.p < kSignificance) {
        // The rank test decides the direction: B's runs rank above A's when A's U is small.
        const bool faster = test.u < double(sa.size()) * double(sb.size()) / 2;
        c.text += QString("B is %1 % %2 (%3, %4)\n")
                      .arg(fixed(std::abs(change) * 100, 0), faster ? "faster" : "slower",
                           pValue(test.p), rankTestName(test));
    } else {
        c.text += QString("no significant difference at 5 % (B's median is %1 % %2; %3, %4)\n")
                      .arg(fixed(std::abs(change) * 100, 1), change >= 0 ? "higher" : "lower",
                           pValue(test.p), rankTestName(test));
        const double smallest = smallestRankTestP(int(sa.size()), int(sb.size()));
        if (smallest >= kSignificance)
            c.text += QString("with %1 and %2 runs no difference can reach 5 % (the smallest "
                              "possible p is %3); measure at least 4 runs each\n")
                          .arg(sa.size())
                          .arg(sb.size())
                          .arg(fixed(smallest, 3));
    }
    return c;
}
