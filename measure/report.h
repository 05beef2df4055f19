// What plovex-bench prints: a result as a readable table, and the comparison of two.
#pragma once

#include "result.h"

#include <QString>

// The environment, the runs, the summary with how sure it is, what limited the score,
// and the warnings.
QString resultTable(const BenchResult &result);

struct Comparison
{
    bool refused = false; // the environments differ in what changes scores
    QString text;
};

// The difference of the medians, judged by a two-sided Mann-Whitney test on the runs.
// Refuses results whose environments differ (naming the differences) unless `force`.
Comparison compareResults(const BenchResult &a, const QString &nameA, const BenchResult &b,
                          const QString &nameB, bool force);
