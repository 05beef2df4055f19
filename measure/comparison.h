// Results compared with the first of them: each later one's median against the first's,
// judged by the exact rank test on the runs' scores with Holm's correction for the number
// of comparisons, and a gate that fails a result slower than the first by more than allowed.
#pragma once

#include "verdict.h"

struct ComparedResult
{
    QString label; // "A", "B", ...
    QString name;  // the file
    BenchResult result;
    Verdict verdict;
    double ratio = 1; // median over the first's
    // Against the first; none for the first itself.
    std::optional<RankTest> test;
    double correctedP = 1; // the test's p after Holm's correction
    bool significant = false;
    bool faster = false; // with `significant`: the rank test's direction
    bool failsGate = false;
    QString line; // the verdict on it, one line, and what more runs could tell
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
                          bool force, std::optional<double> failIfSlower,
                          const Levels &levels = {});

// The comparison's figures as JSON, for readers of a file or of standard output.
QByteArray comparisonJson(const Comparison &comparison);
