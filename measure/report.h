// What plovex-bench prints: a result as a readable table, a comparison of several, and
// either as a picture. Each reads the verdicts worked out once (verdict.h).
#pragma once

#include "verdict.h"

#include <QString>

#include <string>

// The environment, the runs, how sure the median is and what ended the runs, the limit,
// Plovex and the limit side by side, what a frame is made of, what limited the score, and
// the warnings.
QString resultTable(const BenchResult &result, const Verdict &verdict);

// A row per result, the environments' differences once, each later result's verdict against
// the first, and the gate's.
QString comparisonTable(const Comparison &comparison);

// The SVG of one result, and of a comparison with a row per result.
std::string resultPicture(const BenchResult &result, const Verdict &verdict, const QString &name);
std::string comparisonPicture(const Comparison &comparison);
