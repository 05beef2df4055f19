// A bench result: the machine it was measured on and every run, as plovex-bench measures,
// saves (resultjson.h), judges (limiter.h) and compares them.
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

    bool operator==(const LimitRun &) const = default;
};

struct BenchResult
{
    QString created; // UTC, ISO 8601
    Environment environment;
    QStringList warnings;
    std::vector<PlovexRun> runs;
    std::vector<LimitRun> limitRuns; // serial, like Plovex: the limit the score is held to
    QString limitUnavailable;        // why there are no limit runs, when they were wanted
    // With the server copying one frame while the next is drawn: context, not a limit.
    std::vector<LimitRun> pipelinedRuns;

    bool operator==(const BenchResult &) const = default;
};

std::vector<double> scores(const BenchResult &result);
std::optional<double> medianFps(const std::vector<LimitRun> &runs);

// Fields that change scores and in which two results differ, as "name: A vs B".
QStringList environmentDifferences(const Environment &a, const Environment &b);
