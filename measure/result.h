// A bench result: the machine it was measured on and every run, as plovex-bench measures,
// saves (resultjson.h), judges and compares them (verdict.h).
#pragma once

#include "statistics.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>
#include <vector>

// How measuring and reading results report a fault: a std::runtime_error with a one-line
// reason.
[[noreturn]] inline void fail(const QString &why)
{
    throw std::runtime_error(why.toStdString());
}

struct Environment
{
    QString plovexVersion;
    QString qtVersion;
    QString platform; // Qt platform plugin Plovex ran on
    QString display;  // "private Xvfb" or the DISPLAY it ran on
    QString xServer;  // server program, vendor and release
    bool mitShm = false;
    QString compositor;              // "none" or the compositing manager's name
    QString windowManager;           // "none" or its name
    std::optional<double> refreshHz; // unknown without RandR, or a mode without timings
    QString screen;                  // "1280x1024"
    int depth = 0;                   // of the screen's pixels in bits; 0 unknown (older files)
    QString scale;                   // Xft.dpi and the scale variables set, or "none"
    QString cpuModel;
    int cores = 0;
    QString governor;             // frequency governor and driver, or "unknown"
    double loadAverage = 0;       // one-minute load average before the first run
    double busyBeforePercent = 0; // of all cores, in the second before the first run
    QString power;                // "mains", "battery" or "no battery"
    QString kernel;
    // Plovex, the limit program and the X server shared one processor in every run (--one-cpu,
    // or a machine with one); false in older files.
    bool oneCpu = false;

    bool operator==(const Environment &) const = default;
};

// One whole Plovex run, watched from outside.
struct PlovexRun
{
    int score = 0;
    std::optional<double> limitFps; // the limit run that followed it
    // Processor time per frame from the run's start to its finish.
    std::optional<double> plovexCpuUs;
    std::optional<double> serverCpuUs;
    long long frames = 0;
    bool framesCounted = false;      // false: frames estimated as score x 8.8 s
    QString presentPath;             // what Plovex reported ("shm", "qt"), or "unknown"
    std::optional<long long> waited; // frames that waited for the server; unknown without a report
    std::optional<double> waitUsPerFrame; // the time they waited, over all frames of the run
    // Processor time other programs took during the run, in per cent of all cores.
    std::optional<double> otherBusyPercent;

    bool operator==(const PlovexRun &) const = default;
};

struct LimitRun
{
    double fps = 0;
    long long frames = 0;
    long long waited = 0;
    std::optional<double> clientCpuUs;
    std::optional<double> serverCpuUs;
    std::optional<double> otherBusyPercent;
    // Per frame: the program's drawing, and its wait for the server; unknown in older files.
    std::optional<double> drawUs;
    std::optional<double> waitUs;

    bool operator==(const LimitRun &) const = default;
};

// What ended a measurement: the runs asked for, the median pinned to the precision asked
// for, or the most runs allowed before that.
enum class EndedBy { Runs, Precision, MaxRuns };

struct BenchResult
{
    QString created; // UTC, ISO 8601
    Environment environment;
    QStringList warnings;
    std::vector<PlovexRun> runs;
    std::vector<LimitRun> limitRuns; // serial, like Plovex: the limit the score is held to
    QString limitUnavailable;        // why there are no limit runs, when they were wanted
    // The limit with its X server on the limit program's processor: what a frame costs
    // without the hand-over between processors.
    std::vector<LimitRun> oneCpuLimitRuns;
    QString oneCpuUnavailable;              // why there are none
    std::optional<double> precisionPercent; // the ± per cent the runs went on until
    EndedBy endedBy = EndedBy::Runs;

    bool operator==(const BenchResult &) const = default;
};

std::vector<double> scores(const BenchResult &result);

// What ends the runs once these `scores` are measured: the `runs` asked for; or, with a
// `precision` (per cent), the median pinned to ±`precision` % from `runs` on (its 95 %
// interval within that of it), or `maxRuns`. Nothing while they go on.
std::optional<EndedBy> endedBy(const std::vector<double> &scores, int runs,
                               std::optional<double> precision, int maxRuns);

// Fields that change scores and in which results differ, one line a field with each value
// and the results that have it: "X server: Xvfb ... in A and C, Xorg ... in B". `labels`
// names the `results` in their order.
QStringList environmentDifferences(const std::vector<BenchResult> &results,
                                   const QStringList &labels);
