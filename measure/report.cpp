#include "report.h"

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

QString environmentLines(const Environment &e)
{
    return QString("Plovex %1, Qt %2 (%3) on %4: %5, MIT-SHM %6\n"
                   "screen %7, refresh rate %8, compositor %9, window manager %10, scale %11\n"
                   "%12 (%13 cores), governor %14, power %15, %16%17\n"
                   "before the first run: load average %18, %19 of the processor busy\n")
        .arg(e.plovexVersion, e.qtVersion, e.platform, e.display, e.xServer,
             e.mitShm ? "yes" : "no",
             e.screen + (e.depth ? QString(" at %1 bits").arg(e.depth) : ""),
             orUnknown(e.refreshHz, 1, " Hz"), e.compositor)
        .arg(e.windowManager, e.scale, e.cpuModel, QString::number(e.cores), e.governor, e.power,
             e.kernel, e.oneCpu ? "; every run on one processor" : "", fixed(e.loadAverage, 2))
        .arg(fixed(e.busyBeforePercent, 1) + " %");
}

// One row of a table: each cell aligned to its column's width (to the left where it is
// negative), the last cell as it is.
QString tableRow(const QStringList &cells, std::initializer_list<int> widths)
{
    QString row;
    for (qsizetype c = 0; const int width : widths)
        row +=
            (width < 0 ? cells[c++].leftJustified(-width) : cells[c++].rightJustified(width)) + ' ';
    return row + ' ' + cells.back() + '\n';
}

QString runsTable(const BenchResult &r)
{
    static constexpr std::initializer_list<int> kWidths{3, 6, 10, 9, 11, 13, 7};
    QString out = "CPU: processor time per frame; others: what other programs took during the "
                  "run, of all cores\n" +
                  tableRow({"run", "score", "limit fps", "of limit", "Plovex CPU", "X server CPU",
                            "others", "frames that waited for the server"},
                           kWidths);
    for (int i = 0; const PlovexRun &run : r.runs) {
        QString waited =
            run.waited ? QString("%1 of %2").arg(*run.waited).arg(run.frames) : QString("unknown");
        if (run.waitUsPerFrame)
            waited += QString(", %1 us a frame").arg(*run.waitUsPerFrame, 0, 'f', 1);
        out += tableRow({QString::number(++i), QString::number(run.score),
                         run.limitFps ? fixed(*run.limitFps, 0) : QString("-"),
                         run.limitFps ? percent(run.score / *run.limitFps) : QString("-"),
                         orUnknown(run.plovexCpuUs, 1, " us"), orUnknown(run.serverCpuUs, 1, " us"),
                         orUnknown(run.otherBusyPercent, 0, " %"), waited},
                        kWidths);
    }
    return out;
}

QString summaryLines(const BenchResult &r, const Verdict &v)
{
    const Summary &s = v.score;
    QString out =
        QString("score:    median %1, min %2, max %3, variation %4 %\n"
                "          %5 to %6 holds the median with %7 confidence")
            .arg(QString::number(s.median), QString::number(s.min), QString::number(s.max),
                 fixed(s.cv * 100, 1), QString::number(s.interval.low),
                 QString::number(s.interval.high), percent(s.interval.confidence));
    if (s.interval.confidence < kConfidenceLevel)
        out +=
            QString(" (%1 needs at least %2 runs)")
                .arg(levelText(kConfidenceLevel), QString::number(fewestRunsFor(kConfidenceLevel)));
    const double reach = std::max(s.median - s.interval.low, s.interval.high - s.median);
    const QString within = QString("within ±%1 %").arg(r.precisionPercent.value_or(0));
    const QString ended[] = {
        QString("after the %1 asked for").arg(s.runs),
        QString("when the median was pinned to %1 (±%2 %), after %3")
            .arg(within, fixed(100 * reach / s.median, 1), QString::number(s.runs)),
        QString("at the most allowed, %1, before the median was pinned to %2")
            .arg(QString::number(s.runs), within),
    };
    out += "\n          the runs ended " + ended[int(r.endedBy)] + '\n';
    if (v.unstable)
        out += QString("          UNSTABLE: the runs vary by %1 %, more than %2; about %3 runs "
                       "would pin the median to within %4 (--precision %5 runs until then)\n")
                   .arg(fixed(s.cv * 100, 1), levelText(kUnstableCv), QString::number(v.runsNeeded),
                        levelText(kUnstableCv / 2), QString::number(kUnstableCv * 50));
    return out;
}

// The limit, Plovex and the limit side by side with the machine named, and what a frame
// is made of.
QString limitLines(const BenchResult &r, const Verdict &v)
{
    QString out = "limit:    " +
                  (r.limitUnavailable.isEmpty() ? QString("not measured") : r.limitUnavailable);
    if (v.limitFps)
        out = QString("limit:    median %1 fps over %2 serial run(s); the score is %3 of this "
                      "machine's limit")
                  .arg(fixed(*v.limitFps, 0), QString::number(r.limitRuns.size()),
                       percent(v.score.median / *v.limitFps));
    static constexpr std::initializer_list<int> kWidths{-38, 6, 10};
    out += '\n' + tableRow({QString("per frame on %1 (%2 cores):")
                                .arg(r.environment.cpuModel, QString::number(r.environment.cores)),
                            "fps", "its CPU", "X server CPU"},
                           kWidths);
    for (const ProgramFigures &p : v.programs)
        out += tableRow({"  " + p.what, fixed(p.fps, 0), orUnknown(p.clientUs, 1, " us"),
                         orUnknown(p.serverUs, 1, " us")},
                        kWidths);
    if (!v.frame)
        return out + "frame:    what it is made of is " + v.frameText + '\n';
    const FrameParts &f = *v.frame;
    return out + QString("frame:    %1 us at the median score: drawing %2 us, Plovex's other work "
                         "%3 us, the X server %4 us, the hand-over between processors %5 us\n"
                         "          %6\n")
                     .arg(fixed(f.frameUs, 0), fixed(f.drawingUs, 0), fixed(f.otherUs, 0),
                          fixed(f.serverUs, 0), fixed(f.handoverUs, 0), v.frameText);
}

PictureRow pictureRow(const QString &name, const BenchResult &r, const Verdict &v)
{
    return {name.toStdString(), scores(r), v.score, v.limitFps};
}

} // namespace

QString resultTable(const BenchResult &r, const Verdict &v)
{
    QString out = environmentLines(r.environment) + '\n' + runsTable(r) + '\n' +
                  summaryLines(r, v) + limitLines(r, v) + "limited:  " + v.limited.text + '\n';
    for (const QString &w : r.warnings)
        out += "warning:  " + w + '\n';
    return out;
}

QString comparisonTable(const Comparison &c)
{
    if (c.refused)
        return QString("the results were measured in different environments (%1); --force "
                       "compares them anyway\n")
            .arg(c.differences.join("; "));
    static constexpr std::initializer_list<int> kWidths{-2, 8, 30, 5, 9, 9, 6};
    QString out = tableRow({"", "median", "interval (its confidence)", "runs", "variation",
                            "limit fps", "ratio", "result"},
                           kWidths);
    for (const ComparedResult &r : c.results) {
        const Summary &s = r.verdict.score;
        out += tableRow({r.label, QString::number(s.median),
                         QString("%1 to %2 (%3)")
                             .arg(QString::number(s.interval.low), QString::number(s.interval.high),
                                  percent(s.interval.confidence)),
                         QString::number(s.runs), fixed(s.cv * 100, 1) + " %",
                         r.verdict.limitFps ? fixed(*r.verdict.limitFps, 0) : QString("-"),
                         fixed(r.ratio, 2), r.name + ", " + r.result.created},
                        kWidths);
    }
    for (const QString &d : c.differences)
        out += "note: the environments differ in " + d + '\n';
    for (const ComparedResult &r : c.results)
        out += r.line;
    if (c.failIfSlower)
        out += QString("gate: %1 (a result significantly slower than A by more than %2 % "
                       "fails it)\n")
                   .arg(c.failed ? "FAILED" : "passed", QString::number(*c.failIfSlower));
    return out;
}

std::string resultPicture(const BenchResult &r, const Verdict &v, const QString &name)
{
    const Summary &s = v.score;
    const QString title =
        QString("Plovex: median %1 over %2 run(s), %3 to %4 with %5 confidence")
            .arg(QString::number(s.median), QString::number(s.runs),
                 QString::number(s.interval.low), QString::number(s.interval.high),
                 percent(s.interval.confidence));
    std::vector<std::string> notes;
    for (const QString &w : r.warnings)
        notes.push_back("warning: " + w.toStdString());
    return pictureSvg(title.toStdString(), {pictureRow(name, r, v)}, notes);
}

std::string comparisonPicture(const Comparison &c)
{
    // With two results the one verdict is the title; with more, each is a note.
    QString title = QString("Plovex: %1 results against A").arg(c.results.size());
    std::vector<std::string> notes;
    std::vector<PictureRow> rows;
    for (const ComparedResult &r : c.results) {
        rows.push_back(pictureRow(r.label + " = " + r.name, r.result, r.verdict));
        if (c.results.size() == 2 && !r.line.isEmpty())
            title = r.line.section('\n', 0, 0);
        else if (!r.line.isEmpty())
            notes.push_back(r.line.section('\n', 0, 0).toStdString());
    }
    for (const QString &d : c.differences)
        notes.push_back("the environments differ in " + d.toStdString());
    if (c.differences.isEmpty())
        notes.push_back("the environments do not differ in what changes scores");
    return pictureSvg(title.toStdString(), rows, notes);
}
