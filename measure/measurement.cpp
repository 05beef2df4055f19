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
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// How far the measurement is, on one line of a terminal that rewrites itself: run k of N
// (or until the median is pinned), what runs now, the time gone and the time left. Nothing
// at all when standard error is not a terminal.
class Progress
{
public:
    Progress(const MeasureOptions &o, const BenchResult &r) : m_options(o), m_result(r) {}
    ~Progress() { clear(); }

    // Plovex's run `run` (from 1), and what runs in it now: one of the programs' runs.
    void begin(int run, const QString &what)
    {
        const MeasureOptions &o = m_options;
        // The runs planned, or at most; the limit's twice where it runs on one processor too.
        m_steps = (o.precision ? o.maxRuns : o.runs) +
                  o.limitRuns * (m_result.oneCpuUnavailable.isEmpty() ? 2 : 1);
        ++m_done;
        m_what = QString("run %1").arg(run) +
                 (o.precision ? QString(", until the median is within ±%1 %").arg(*o.precision)
                              : QString(" of %1").arg(o.runs)) +
                 ": " + what;
        m_shown = {};
        tick();
    }
    // Shows the line again, at most once a second, so that the time gone moves.
    void tick()
    {
        const Clock::time_point now = Clock::now();
        if (!m_terminal || now - m_shown < std::chrono::seconds(1))
            return;
        m_shown = now;
        QString line = m_what + ", " + minutes(now - m_start) + " gone";
        if (m_done > 0) // the steps done so far give the pace
            line += QString(", %1 %2 left")
                        .arg(m_options.precision ? "at most" : "about",
                             minutes((now - m_start) / m_done * std::max(0, m_steps - m_done)));
        std::fprintf(stderr, "\r\033[K%s", qPrintable(line));
        std::fflush(stderr);
    }
    // Takes the line away, before other output.
    void clear()
    {
        if (m_terminal && m_done >= 0)
            std::fputs("\r\033[K", stderr);
    }

private:
    static QString minutes(Clock::duration d)
    {
        const auto s = std::chrono::duration_cast<std::chrono::seconds>(d).count();
        return QString("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QChar('0'));
    }

    const MeasureOptions &m_options;
    const BenchResult &m_result;
    const bool m_terminal = isatty(STDERR_FILENO);
    int m_steps = 0;
    int m_done = -1;
    QString m_what;
    const Clock::time_point m_start = Clock::now();
    Clock::time_point m_shown;
};

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
                          .arg(QString::number(*other, 'f', 0), during));
    warn(progress, r.warnings.back());
}

// The programs installed or built next to plovex-bench, else the first on PATH.
QString sibling(const QString &name)
{
    const QString here = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    const QString found =
        QFileInfo(here).isExecutable() ? here : QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        fail(QString("cannot find %1 next to plovex-bench or on PATH").arg(name));
    return found;
}

// After Plovex's run i: the limit's runs due then, spread evenly over the runs asked for,
// the second with its X server on its processor.
void limitRunsAfter(int i, const QString &limit, const MeasureOptions &o, Session &session,
                    Progress &progress, BenchResult &r, QString &stage)
{
    if (i >= o.runs || (i + 1) * o.limitRuns / o.runs == i * o.limitRuns / o.runs)
        return;
    for (const bool oneCpu : {false, true}) {
        QString &unavailable = oneCpu ? r.oneCpuUnavailable : r.limitUnavailable;
        if (!unavailable.isEmpty())
            return;
        const QString what =
            oneCpu ? "plovex-limit with its X server on its processor" : "plovex-limit";
        stage = what + QString(" after run %1").arg(i + 1);
        try {
            progress.begin(i + 1, what);
            const LimitRun run = session.measureLimit(limit, oneCpu);
            (oneCpu ? r.oneCpuLimitRuns : r.limitRuns).push_back(run);
            warnIfBusy(r, progress, run.otherBusyPercent, stage);
            if (!oneCpu)
                r.runs.back().limitFps = run.fps;
        } catch (const LimitUnavailable &e) {
            unavailable = (oneCpu ? "" : "not measured: ") + QString::fromStdString(e.what());
            if (oneCpu)
                warn(progress, "the limit on one processor is not measured: " + unavailable);
            return;
        }
    }
}

} // namespace

BenchResult measureResult(const MeasureOptions &o)
{
    const QString plovex = sibling("plovex");
    const QString limit = o.limitRuns > 0 ? sibling("plovex-limit") : QString();
    BenchResult r;
    r.created = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    r.environment.plovexVersion = QString::fromLatin1(kProgramVersion);
    r.precisionPercent = o.precision;
    // Before any server starts, so that only other programs count as load.
    r.warnings = gatherMachine(r.environment, std::chrono::seconds(1));
    Progress progress(o, r);
    Session session(
        o, [&] { progress.tick(); }, r);
    for (const QString &w : r.warnings)
        warn(progress, w);
    if (o.limitRuns == 0)
        r.oneCpuUnavailable = "no limit runs";
    if (o.handover && !r.oneCpuUnavailable.isEmpty())
        warn(progress,
             "--handover: the limit on one processor is not measured: " + r.oneCpuUnavailable);
    const SpriteSheets &sheets = builtInSheets();
    QString stage; // what runs, for a failure's message
    try {
        for (int i = 0;; ++i) {
            progress.begin(i + 1, "Plovex");
            stage = QString("run %1").arg(i + 1);
            r.runs.push_back(session.measurePlovex(plovex, sheets));
            warnIfBusy(r, progress, r.runs.back().otherBusyPercent, stage);
            limitRunsAfter(i, limit, o, session, progress, r, stage);
            if (const auto end = endedBy(scores(r), o.runs, o.precision, o.maxRuns)) {
                r.endedBy = *end;
                return r;
            }
        }
    } catch (const std::runtime_error &e) {
        fail(stage + ": " + QString::fromStdString(e.what()));
    }
}
