// A whole measurement: Plovex's runs one after another, the limit program's between them,
// and the limit with its X server on one processor where that can be measured; as many runs
// as asked for, or until the median is pinned to the precision asked for.
#pragma once

#include "result.h"

struct MeasureOptions
{
    int runs = 5;
    int limitRuns = 5;               // spread over the first `runs`
    std::optional<double> precision; // per cent: runs go on until the median is pinned
    int maxRuns = 30;                // with `precision`
    bool xvfb = false;               // a private Xvfb
    bool oneCpu = false;             // with `xvfb`: every program and the server on one processor
    bool handover = false;           // the display's own server may be pinned for the limit
};

// Throws std::runtime_error with the run that failed, or when interrupted (child.h).
BenchResult measureResult(const MeasureOptions &options);
