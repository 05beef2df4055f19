#include "measurement.h"

#include "child.h"
#include "environment.h"
#include "spritesheet.h"
#include "version.h"
#include "watch.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <functional>

namespace {

void warn(Progress &progress, const QString &warning)
{
    progress.clear();
    std::fprintf(stderr, "plovex-bench: warning: %s\n", qPrintable(warning));
}

// Other programs' share of the processor during a run, when it is high enough to warn of.
void warnIfBusy(BenchResult &r, Progress &progress, const std::optional<double> &other,
                const QString &during)
{
    if (!other || *other <= kBusyWarningPercent)
        return;
    r.warnings.append(QString("other programs took %1 % of the processor during %2")
                          .arg(*other, 0, 'f', 0)
                          .arg(during));
    warn(progress, r.warnings.back());
}

// `measure`'s run, or its failure told as that of `what`.
template <class Run> Run measured(const QString &what, const std::function<Run()> &measure)
{
    try {
        return measure();
    } catch (const Interrupted &) {
        throw;
    } catch (const LimitUnavailable &) {
        throw;
    } catch (const std::runtime_error &e) {
        fail(what + ": " + QString::fromStdString(e.what()));
    }
}

// After Plovex's run i: the limit's runs due then, spread evenly over the runs asked for.
void limitRunsAfter(int i, const MeasureOptions &o, Session &session, Progress &progress,
                    BenchResult &r)
{
    if (i >= o.runs || (i + 1) * o.limitRuns / o.runs == i * o.limitRuns / o.runs ||
        !r.limitUnavailable.isEmpty())
        return;
    const QString limit = sibling("plovex-limit");
    const QString after = QString("the limit run after run %1").arg(i + 1);
    try {
        progress.begin(i + 1, o.runs, "plovex-limit");
        r.limitRuns.push_back(
            measured<LimitRun>(after, [&] { return session.measureLimit(limit, false); }));
    } catch (const LimitUnavailable &e) {
        r.limitUnavailable = QString("not measured: %1").arg(e.what());
        return;
    }
    r.runs.back().limitFps = r.limitRuns.back().fps;
    warnIfBusy(r, progress, r.limitRuns.back().otherBusyPercent, after);
    if (!r.oneCpuUnavailable.isEmpty())
        return;
    try {
        progress.begin(i + 1, o.runs, "plovex-limit with its X server on one processor");
        r.oneCpuLimitRuns.push_back(measured<LimitRun>(
            after + " on one processor", [&] { return session.measureLimit(limit, true); }));
    } catch (const LimitUnavailable &e) {
        r.oneCpuUnavailable = QString::fromStdString(e.what());
    }
}

} // namespace

QString sibling(const QString &name)
{
    const QString here = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    const QString found =
        QFileInfo(here).isExecutable() ? here : QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        fail(QString("cannot find %1 next to plovex-bench or on PATH").arg(name));
    return found;
}

BenchResult measureResult(const MeasureOptions &o)
{
    const QString plovex = sibling("plovex");
    if (o.limitRuns > 0)
        sibling("plovex-limit"); // missing, it fails before the runs
    BenchResult r;
    r.created = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    r.environment.plovexVersion = QString::fromLatin1(kProgramVersion);
    r.precisionPercent = o.precision;
    // Before any server starts, so that only other programs count as load.
    r.warnings = gatherMachine(r.environment, std::chrono::seconds(1));
    Progress progress(o.precision ? o.maxRuns : o.runs, o.precision);
    Session session({o.xvfb, o.oneCpu, o.handover}, progress, r.environment, r.warnings);
    for (const QString &w : r.warnings)
        warn(progress, w);
    r.oneCpuUnavailable = o.limitRuns > 0 ? session.oneCpuRefusal() : QString("no limit runs");
    if (o.handover && !r.oneCpuUnavailable.isEmpty())
        warn(progress,
             "--handover: the limit on one processor is not measured: " + r.oneCpuUnavailable);
    progress.plan((o.precision ? o.maxRuns : o.runs) +
                  o.limitRuns * (r.oneCpuUnavailable.isEmpty() ? 2 : 1));
    const SpriteSheets &sheets = builtInSheets();
    for (int i = 0;; ++i) {
        const QString run = QString("run %1").arg(i + 1);
        progress.begin(i + 1, o.runs, "Plovex");
        r.runs.push_back(
            measured<PlovexRun>(run, [&] { return session.measurePlovex(plovex, sheets); }));
        warnIfBusy(r, progress, r.runs.back().otherBusyPercent, run);
        limitRunsAfter(i, o, session, progress, r);
        if (const auto end = endedBy(scores(r), o.runs, o.precision, o.maxRuns)) {
            r.endedBy = *end;
            return r;
        }
    }
}
