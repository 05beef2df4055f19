// plovex-bench: measures Plovex for people who compare machines, drivers and desktop
// settings. It runs the real program several times, reads each score from its window as a
// user reads it, measures the machine's limit with plovex-limit between the runs, and says
// how sure the result is and what held it down; it compares two saved results with a rank
// test. Exit status: 0 done, 1 the measurement failed or the comparison was refused,
// 2 bad arguments or an unreadable result file.
#include "environment.h"
#include "report.h"
#include "resultjson.h"
#include "spritesheet.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <stdexcept>

#ifdef PLOVEX_BENCH_X11
#include "watch.h"
#include "xvfb.h"

#include <X11/Xlib.h>
#include <unistd.h>
#endif

namespace {

constexpr int kDefaultRuns = 5;
constexpr int kMaxRuns = 1000;
constexpr int kFailed = 1;
constexpr int kBadUse = 2;

struct UsageError : std::runtime_error
{
    explicit UsageError(const QString &why) : std::runtime_error(why.toStdString()) {}
};

struct Options
{
    int runs = 0;
    int limitRuns = 0;
    int pipelinedRuns = 0;
    bool xvfb = false;
    QString json;
    QString svg;
    QStringList compare; // two files
    bool force = false;
};

int message(int status, const QString &text)
{
    std::fprintf(stderr, "plovex-bench: %s\n", qPrintable(text));
    return status;
}

// The option's count, or `absent` when it is not given.
int count(const QCommandLineParser &parser, const QString &name, int min, int max, int absent)
{
    if (!parser.isSet(name))
        return absent;
    bool ok = false;
    const int n = parser.value(name).toInt(&ok);
    if (!ok || n < min || n > max)
        throw UsageError(QString("--%1 takes a whole number from %2 to %3, not '%4'")
                             .arg(name)
                             .arg(min)
                             .arg(max)
                             .arg(parser.value(name)));
    return n;
}

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        "Runs Plovex several times and reports its score with how sure it is, how close it "
        "comes to this machine's serial limit and what limited it; or compares two saved "
        "results. The score is serial: each frame is on the screen before the next is drawn, "
        "so it counts only frames that were shown and compares fairly between machines.");
    parser.addOptions({
        {{"n", "runs"}, "Whole Plovex runs to measure (default 5).", "N"},
        {"limit-runs",
         "Runs of the limit program, which presents serially like Plovex, spread between "
         "Plovex's runs (default: as many as --runs; 0 skips the limit).",
         "K"},
        {"pipelined-runs",
         "Runs of the limit program with its frames overlapped, shown only as context "
         "(default 1 when the limit is measured; 0 skips them).",
         "P"},
        {"xvfb", "Measure on a private Xvfb instead of the display in DISPLAY."},
        {"json", "Also write the result, with every run and the environment, to FILE.", "FILE"},
        {"svg", "Also draw the result, or the comparison, as a picture in FILE.", "FILE"},
        {"compare", "Compare two results written with --json: A.json B.json."},
        {"force", "Compare results measured in different environments all the same."},
    });
    parser.addPositionalArgument("A.json B.json", "With --compare: the two results.");
}

Options parse(QCommandLineParser &parser, const QStringList &arguments)
{
    addOptions(parser);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    if (!parser.parse(arguments))
        throw UsageError(parser.errorText());
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();

    Options o;
    o.force = parser.isSet("force");
    o.svg = parser.value("svg");
    if (parser.isSet("compare")) {
        for (const char *measuring : {"runs", "limit-runs", "pipelined-runs", "xvfb", "json"})
            if (parser.isSet(measuring))
                throw UsageError(QString("--compare does not measure; --%1 has no place with it")
                                     .arg(measuring));
        o.compare = parser.positionalArguments();
        if (o.compare.size() != 2)
            throw UsageError("--compare takes two result files, A.json B.json");
        return o;
    }
    if (!parser.positionalArguments().isEmpty())
        throw UsageError("unexpected argument '" + parser.positionalArguments()[0] + "'");
    if (o.force)
        throw UsageError("--force only goes with --compare");
    o.runs = count(parser, "runs", 1, kMaxRuns, kDefaultRuns);
    o.limitRuns = count(parser, "limit-runs", 0, o.runs, o.runs);
    o.pipelinedRuns = count(parser, "pipelined-runs", 0, o.runs, std::min(1, o.limitRuns));
    o.xvfb = parser.isSet("xvfb");
    o.json = parser.value("json");
    return o;
}

int compare(const Options &o)
{
    BenchResult a, b;
    try {
        a = readResultFile(o.compare[0]);
        b = readResultFile(o.compare[1]);
    } catch (const std::runtime_error &e) {
        return message(kBadUse, QString::fromStdString(e.what()));
    }
    const QString nameA = "A = " + o.compare[0], nameB = "B = " + o.compare[1];
    const Comparison c = compareResults(a, nameA, b, nameB, o.force);
    if (c.refused)
        return message(kFailed, c.text);
    std::fputs(qPrintable(c.text), stdout);
    if (!o.svg.isEmpty())
        saveFile(o.svg, QByteArray::fromStdString(comparisonPicture(a, nameA, b, nameB, c)));
    return 0;
}

#ifdef PLOVEX_BENCH_X11

// The programs installed or built next to this one, else the first on PATH.
QString sibling(const QString &name)
{
    const QString here = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    const QString found =
        QFileInfo(here).isExecutable() ? here : QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        fail(QString("cannot find %1 next to plovex-bench or on PATH").arg(name));
    return found;
}

// The display to measure on, a private Xvfb when asked, and the facts of both.
struct Session
{
    QTemporaryDir runtime;
    std::unique_ptr<PrivateXvfb> xvfb;
    Watcher watcher;
    bool pipelineAvailable = true;

    Session(const Options &o, BenchResult &r)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The score is read through X, so Plovex runs on X even in a Wayland session.
        env.insert("QT_QPA_PLATFORM", "xcb");
        if (o.xvfb) {
            xvfb = std::make_unique<PrivateXvfb>();
            env.insert("DISPLAY", xvfb->display());
            env.insert("XDG_RUNTIME_DIR", runtime.path());
            env.remove("WAYLAND_DISPLAY");
        }
        watcher = openWatcher(xvfb ? xvfb->display() : QString(), env.toStringList());
        r.environment.display =
            xvfb ? QString("private Xvfb") : QString::fromLocal8Bit(DisplayString(watcher.display));
        r.warnings += gatherDisplay(r.environment, watcher);
    }
    ~Session() { XCloseDisplay(watcher.display); }
};

// Other programs' share of the processor during a run, when it is high enough to warn of.
void warnIfBusy(BenchResult &r, const std::optional<double> &other, const QString &during)
{
    if (other && *other > kBusyWarningPercent)
        r.warnings.append(QString("other programs took %1 % of the processor during %2")
                              .arg(*other, 0, 'f', 0)
                              .arg(during));
}

// The runs of the limit program due after Plovex's run i, spread evenly between its runs.
void limitRunsAfter(int i, const Options &o, Session &session, BenchResult &r)
{
    const Watcher &watcher = session.watcher;
    const auto due = [&](int k) { return (i + 1) * k / o.runs > i * k / o.runs; };
    if (due(o.limitRuns) && r.limitUnavailable.isEmpty()) {
        try {
            r.limitRuns.push_back(measureLimit(sibling("plovex-limit"), watcher, false));
            r.runs.back().limitFps = r.limitRuns.back().fps;
            warnIfBusy(r, r.limitRuns.back().otherBusyPercent,
                       QString("the limit run after run %1").arg(i + 1));
        } catch (const LimitUnavailable &e) {
            r.limitUnavailable = QString("not measured: %1").arg(e.what());
        }
    }
    if (!due(o.pipelinedRuns) || !r.limitUnavailable.isEmpty() || !session.pipelineAvailable)
        return;
    try {
        r.pipelinedRuns.push_back(measureLimit(sibling("plovex-limit"), watcher, true));
    } catch (const LimitUnavailable &e) {
        session.pipelineAvailable = false;
        r.warnings.append(QString("the overlapped figure was not measured: %1").arg(e.what()));
    }
}

void progress(const Options &o, int i, const PlovexRun &run)
{
    QString line = QString("run %1/%2: score %3").arg(i + 1).arg(o.runs).arg(run.score);
    if (run.limitFps)
        line += QString(", limit %1 fps").arg(*run.limitFps, 0, 'f', 0);
    if (run.otherBusyPercent)
        line += QString(", other programs %1 %").arg(*run.otherBusyPercent, 0, 'f', 0);
    std::fprintf(stderr, "%s\n", qPrintable(line));
}

int measureRuns(const Options &o, Session &session, BenchResult &r)
{
    const QString plovex = sibling("plovex");
    const SpriteSheets &sheets = builtInSheets();
    for (int i = 0; i < o.runs; ++i) {
        try {
            r.runs.push_back(measurePlovex(plovex, session.watcher, sheets));
        } catch (const std::runtime_error &e) {
            return message(kFailed, QString("run %1: %2").arg(i + 1).arg(e.what()));
        }
        warnIfBusy(r, r.runs.back().otherBusyPercent, QString("run %1").arg(i + 1));
        try {
            limitRunsAfter(i, o, session, r);
        } catch (const std::runtime_error &e) {
            return message(kFailed, QString("limit after run %1: %2").arg(i + 1).arg(e.what()));
        }
        if (isatty(STDERR_FILENO))
            progress(o, i, r.runs.back());
    }
    return 0;
}

int measure(const Options &o)
{
    // Tried now, so that a path that cannot be written fails before the runs.
    for (const QString &path : {o.json, o.svg}) {
        if (QSaveFile probe(path); !path.isEmpty() && !probe.open(QIODevice::WriteOnly))
            return message(kBadUse, "cannot write " + path + ": " + probe.errorString());
    }
    if (o.limitRuns + o.pipelinedRuns > 0)
        sibling("plovex-limit"); // missing, it fails before the runs
    BenchResult r;
    r.created = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    r.environment.plovexVersion = QString::fromLatin1(kProgramVersion);
    // Before any server starts, so that only other programs count as load.
    r.warnings = gatherMachine(r.environment, std::chrono::seconds(1));
    {
        Session session(o, r);
        for (const QString &w : r.warnings)
            message(0, "warning: " + w);
        if (const int status = measureRuns(o, session, r))
            return status;
    }
    std::fputs(qPrintable(resultTable(r)), stdout);
    if (!o.json.isEmpty())
        saveFile(o.json, toJson(r));
    if (!o.svg.isEmpty())
        saveFile(o.svg, QByteArray::fromStdString(resultPicture(r, r.environment.cpuModel + ", " +
                                                                       r.environment.display)));
    return 0;
}

#else

int measure(const Options &)
{
    return message(kFailed, "this build measures nothing: it was made without X11; --compare "
                            "works");
}

#endif

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("plovex-bench");
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion));
    QCommandLineParser parser;
    try {
        const Options options = parse(parser, QCoreApplication::arguments());
        return options.compare.isEmpty() ? measure(options) : compare(options);
    } catch (const UsageError &e) {
        return message(kBadUse, QString::fromStdString(e.what()) + " (see plovex-bench --help)");
    } catch (const std::runtime_error &e) {
        return message(kFailed, QString::fromStdString(e.what()));
    }
}
