// A complete bench result with the given scores, for the tests of results and reports.
#pragma once

#include "result.h"

inline BenchResult sampleResult(const std::vector<double> &scores)
{
    BenchResult r;
    r.created = "2026-12-08T10:00:00Z";
    Environment &e = r.environment;
    e.plovexVersion = "3.13.12.4";
    e.qtVersion = "6.4.2";
    e.platform = "xcb";
    e.display = "private Xvfb";
    e.xServer = "Xvfb, The X.Org Foundation 12101007";
    e.mitShm = true;
    e.compositor = "none";
    e.windowManager = "none";
    e.refreshHz = 60.0;
    e.screen = "1280x1024";
    e.depth = 24;
    e.scale = "Xft.dpi=96";
    e.cpuModel = "AMD EPYC";
    e.cores = 2;
    e.governor = "unknown";
    e.loadAverage = 0.25;
    e.busyBeforePercent = 1.5;
    e.power = "no battery";
    e.kernel = "Linux 6.1.0 x86_64";
    for (double s : scores) {
        PlovexRun run;
        run.score = int(s);
        run.frames = std::llround(s * 8.8);
        r.runs.push_back(run);
    }
    return r;
}
