// What plovex-bench concludes, worked out once and read by the table, the JSON and the
// picture. From one result: how sure the median is, how close it comes to the serial limit,
// Plovex and the limit program side by side, what a frame is made of, and what held the
// score down. From several: each later one against the first, by the exact rank test on the
// runs' scores with Holm's correction for the number of comparisons, and a gate that fails
// a result slower than the first by more than allowed.
#pragma once

#include "result.h"

#include <QJsonObject>

// What held the score down: the display's refresh rate, or whichever of Plovex and the X
// server used more processor time per frame.
struct Limiter
{
    enum class Kind { RefreshCap, Plovex, XServer, Unknown };
    Kind kind = Kind::Unknown;
    QString text; // one sentence, saying whether the score ranks the machine
};

// One program in one placement, medians over its runs.
struct ProgramFigures
{
    QString what; // "Plovex, free", "plovex-limit, one processor"
    double fps = 0;
    std::optional<double> clientUs; // processor time per frame
    std::optional<double> serverUs; // the X server's
};

// Plovex's frame at its median score, in microseconds, in four parts that add up to it.
struct FrameParts
{
    double frameUs = 0;
    double drawingUs = 0;  // the engine's frame, as the limit program times it on one processor
    double otherUs = 0;    // the rest of Plovex's own work: its loop, labels, the put
    double serverUs = 0;   // what the X server does for it, as on one processor
    double handoverUs = 0; // the rest: the two waking each other on two processors, and the
                           // frame's memory moving between them
};

struct Verdict
{
    Summary score;
    bool unstable = false;
    int runsNeeded = 0;             // for the median's interval to span half the unstable threshold
    std::optional<double> limitFps; // median of the limit runs
    std::optional<double> oneCpuLimitFps; // and of those on one processor
    std::vector<ProgramFigures> programs;
    std::optional<FrameParts> frame;
    QString frameText; // which part dominates, or why the parts are not known
    Limiter limited;
};

// `result` must have runs.
Verdict judge(const BenchResult &result);
// A level as its constant gives it: 0.05 is "5 %", 0.025 "2.5 %".
QString levelText(double share);

struct ComparedResult
{
    QString label; // "A", "B", ...
    QString name;  // the file
    BenchResult result;
    Verdict verdict;
    double ratio = 1; // median over the first's
    // Against the first; none for the first itself.
    std::optional<RankTest> test = {};
    double correctedP = 1; // the test's p after Holm's correction
    bool significant = false;
    bool faster = false; // with `significant`: the rank test's direction
    bool failsGate = false;
    QString line = {}; // the verdict on it, one line, and what more runs could tell
};

struct Comparison
{
    QStringList differences; // of the environments, each field once
    bool refused = false;    // they differ, and the comparison was not forced
    std::vector<ComparedResult> results;
    std::optional<double> failIfSlower; // the gate: per cent
    bool failed = false;                // a later result fails it
};

// The most results one comparison takes, labelled A to Z.
constexpr int kMostCompared = 26;

inline constexpr char kComparisonSchema[] = "plovex-bench-comparison";
constexpr int kComparisonSchemaVersion = 1;

// `names` are the files of `results`, at least two and at most kMostCompared. Refuses
// results whose environments differ unless `force`.
Comparison compareResults(const std::vector<BenchResult> &results, const QStringList &names,
                          bool force, std::optional<double> failIfSlower);

// The verdict as JSON, the "summary" of a result's file for its readers; never read back.
QJsonObject verdictJson(const Verdict &verdict);
// The comparison's figures as JSON, for readers of a file or of standard output.
QByteArray comparisonJson(const Comparison &comparison);
