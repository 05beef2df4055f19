// The verdicts plovex-bench works out, as JSON for those who read its files or its standard
// output: a result's summary, and a comparison. Written, never read back.
#pragma once

#include "comparison.h"

#include <QJsonObject>

inline constexpr char kComparisonSchema[] = "plovex-bench-comparison";
constexpr int kComparisonSchemaVersion = 1;

QJsonObject summaryJson(const Verdict &verdict);
QByteArray comparisonJson(const Comparison &comparison);
