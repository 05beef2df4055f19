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

// A level as its constant gives it: 0.05 is "5 %", 0.025 "2.5 %".
QString level(double share)
{
    return QString::number(share * 100) + " %";
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

// One row of a table: each cell right-aligned to its column's width, the last as it is.
QString tableRow(const QStringList &cells, std::initializer_list<int> widths)
{
    QString row;
    qsizetype c = 0;
    for (const int width : widths) {
        row += (width < 0 ? cells[c].leftJustified(-width) : cells[c].rightJustified(width)) + ' ';
        ++c;
    }
    return row + ' ' + cells.back() + '\n';
}

QString runsTable(const BenchResult &r)
{
    static constexpr std::initializer_list<int> kWidths{3, 6, 10, 9, 11, 13, 7};
    QString out = "CPU: processor time per frame; others: what other programs took during the "
                  "run, of all cores\n";
    out += tableRow({"run", "score", "limit fps", "of limit", "Plovex CPU", "X server CPU",
                     "others", "frames that waited for the server"},
                    kWidths);
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
                         orUnknown(run.otherBusyPercent, 0, " %"), waited},
                        kWidths);
    }
    return out;
}

QString summaryLines(const BenchResult &r, const Verdict &v, const Levels &l)
{
    const Summary &s = v.score;
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
    const double reach =
        s.median > 0 ? std::max(s.median - s.interval.low, s.interval.high - s.median) / s.median
                     : 0;
    if (r.endedBy == EndedBy::Runs)
        out += QString("\n          the runs ended after the %1 asked for\n").arg(s.runs);
    else if (r.endedBy == EndedBy::Precision)
        out += QString("\n          the runs ended when the median was pinned to within ±%1 % "
                       "(±%2 %), after %3\n")
                   .arg(*r.precisionPercent)
                   .arg(fixed(reach * 100, 1))
                   .arg(s.runs);
    else
        out += QString("\n          the runs ended at the most allowed, %1, before the median was "
                       "pinned to within ±%2 % (%3)\n")
                   .arg(s.runs)
                   .arg(r.precisionPercent.value_or(0))
                   .arg(s.interval.confidence < l.confidence
                            ? "its interval did not reach " + level(l.confidence)
                            : "its interval reaches ±" + fixed(reach * 100, 1) + " %");
    if (v.unstable)
        out += QString("          UNSTABLE: the runs vary by %1 %, more than %2; about %3 runs "
                       "would pin the median to within %4 (--precision %5 runs until then)\n")
                   .arg(fixed(s.cv * 100, 1), level(l.unstableCv))
                   .arg(v.runsNeeded)
                   .arg(level(l.unstableCv / 2))
                   .arg(l.unstableCv * 50);
    return out;
}

QString limitLines(const BenchResult &r, const Verdict &v)
{
    QString out = "limit:    ";
    if (!v.limitFps)
        out += r.limitUnavailable.isEmpty() ? QString("not measured") : r.limitUnavailable;
    else
        out += QString("median %1 fps over %2 serial run(s); the score is %3 of it")
                   .arg(fixed(*v.limitFps, 0))
                   .arg(r.limitRuns.size())
                   .arg(percent(v.score.median / *v.limitFps));
    out += '\n';
    if (v.oneCpuLimitFps)
        out += QString("          with its X server on its processor: median %1 fps over %2 "
                       "run(s)\n")
                   .arg(fixed(*v.oneCpuLimitFps, 0))
                   .arg(r.oneCpuLimitRuns.size());
    else if (v.limitFps && !r.environment.oneCpu && !r.oneCpuUnavailable.isEmpty())
        out += "          on one processor: not measured: " + r.oneCpuUnavailable + '\n';
    return out;
}

// Plovex and the limit program side by side, with the machine named.
QString programsTable(const Environment &e, const Verdict &v)
{
    static constexpr std::initializer_list<int> kWidths{-38, 6, 10};
    QString out = tableRow({QString("per frame on %1 (%2 cores):").arg(e.cpuModel).arg(e.cores),
                            "fps", "its CPU", "X server CPU"},
                           kWidths);
    for (const ProgramFigures &p : v.programs)
        out += tableRow({"  " + p.what, fixed(p.fps, 0), orUnknown(p.clientUs, 1, " us"),
                         orUnknown(p.serverUs, 1, " us")},
                        kWidths);
    return out;
}

QString frameLines(const Verdict &v)
{
    if (!v.frame)
        return "frame:    what it is made of is " + v.frameText + '\n';
    const FrameParts &f = *v.frame;
    return QString("frame:    %1 us at the median score: drawing %2 us, Plovex's other work %3 "
                   "us, the X server %4 us, the hand-over between processors %5 us\n"
                   "          %6\n")
        .arg(fixed(f.frameUs, 0), fixed(f.drawingUs, 0), fixed(f.otherUs, 0), fixed(f.serverUs, 0),
             fixed(f.handoverUs, 0), v.frameText);
}

PictureRow pictureRow(const QString &name, const BenchResult &r, const Verdict &v)
{
    const Summary &s = v.score;
    return {name.toStdString(),    scores(r), s.median, s.interval.low, s.interval.high,
            s.interval.confidence, v.limitFps};
}

} // namespace

QString resultTable(const BenchResult &r, const Verdict &v, const Levels &levels)
{
    QString out = environmentLines(r.environment) + '\n' + runsTable(r) + '\n';
    out += summaryLines(r, v, levels) + limitLines(r, v) + programsTable(r.environment, v) +
           frameLines(v) + "limited:  " + v.limited.text + '\n';
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
                             .arg(s.interval.low)
                             .arg(s.interval.high)
                             .arg(percent(s.interval.confidence)),
                         QString::number(s.runs), fixed(s.cv * 100, 1) + " %",
                         r.verdict.limitFps ? fixed(*r.verdict.limitFps, 0) : QString("-"),
                         fixed(r.ratio, 2), r.name + ", " + r.result.created},
                        kWidths);
    }
    for (const QString &d : c.differences)
        out += "note: the environments differ in " + d + '\n';
    for (std::size_t i = 1; i < c.results.size(); ++i)
        out += c.results[i].line;
    if (c.failIfSlower)
        out += QString("gate: %1 (a result significantly slower than A by more than %2 % "
                       "fails it)\n")
                   .arg(c.failed ? "FAILED" : "passed")
                   .arg(*c.failIfSlower);
    return out;
}

std::string resultPicture(const BenchResult &r, const Verdict &v, const QString &name)
{
    const Summary &s = v.score;
    const QString title = QString("Plovex: median %1 over %2 run(s), %3 to %4 with %5 confidence")
                              .arg(s.median)
                              .arg(s.runs)
                              .arg(s.interval.low)
                              .arg(s.interval.high)
                              .arg(percent(s.interval.confidence));
    std::vector<std::string> notes;
    for (const QString &w : r.warnings)
        notes.push_back("warning: " + w.toStdString());
    return pictureSvg(title.toStdString(), {pictureRow(name, r, v)}, notes);
}

std::string comparisonPicture(const Comparison &c)
{
    std::vector<std::string> notes;
    for (const QString &d : c.differences)
        notes.push_back("the environments differ in " + d.toStdString());
    if (notes.empty())
        notes.push_back("the environments do not differ in what changes scores");
    std::vector<PictureRow> rows;
    for (const ComparedResult &r : c.results)
        rows.push_back(pictureRow(r.label + " = " + r.name, r.result, r.verdict));
    // With two results the one verdict is the title; with more, each is a note.
    QString title = QString("Plovex: %1 results against A").arg(c.results.size());
    for (std::size_t i = 1; i < c.results.size(); ++i) {
        const QString line = c.results[i].line.section('\n', 0, 0);
        if (c.results.size() == 2)
            title = line;
        else
            notes.insert(notes.begin() + std::ptrdiff_t(i - 1), line.toStdString());
    }
    return pictureSvg(title.toStdString(), rows, notes);
}
