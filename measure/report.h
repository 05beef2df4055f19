// What plovex-bench prints: a result as a readable table, the comparison of two, and
// either as a picture.
#pragma once

#include "result.h"

#include <QString>

#include <string>

// The environment, the runs, the summary with how sure it is, what limited the score,
// and the warnings.
QString resultTable(const BenchResult &result, const Levels &levels = {});

struct Comparison
{
    bool refused = false; // the environments differ in what changes scores
    QString verdict;      // the rank test's, in one line
    QString text;
};

// The difference of the medians, judged by a two-sided Mann-Whitney test on the runs.
// Refuses results whose environments differ (naming the differences) unless `force`.
Comparison compareResults(const BenchResult &a, const QString &nameA, const BenchResult &b,
                          const QString &nameB, bool force, const Levels &levels = {});

// The SVG of one result, and of a comparison with its verdict and the differences.
std::string resultPicture(const BenchResult &result, const QString &name);
std::string comparisonPicture(const BenchResult &a, const QString &nameA, const BenchResult &b,
                              const QString &nameB, const Comparison &comparison);
