// Bench results made up for the tests of results, verdicts, reports and the command.
#pragma once

#include "result.h"

#include <cmath>

// A complete result with the given scores, each run's frames those of its score.
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

// Every optional field both set and unset somewhere, every text distinct from its default.
inline BenchResult fullResult()
{
    BenchResult r = sampleResult({4376, 4295, 4603});
    r.warnings = {"the machine runs on battery, which may slow the processor down"};
    r.runs[0].limitFps = 13281.2;
    r.runs[0].plovexCpuUs = 133.1;
    r.runs[0].serverCpuUs = 67.4;
    r.runs[0].framesCounted = true;
    r.runs[0].presentPath = "shm";
    r.runs[0].waited = 120;
    r.runs[0].waitUsPerFrame = 10.8;
    r.runs[0].otherBusyPercent = 3.5;
    r.runs[1].presentPath = "qt";
    r.runs[2].presentPath = "unknown";
    r.limitRuns.push_back({13281.2, 116874, 1003, 75.2, 50.1, 0.5, 38.2, 61.0});
    r.limitRuns.push_back(
        {12990.0, 114312, 0, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt});
    r.oneCpuLimitRuns.push_back({16084.0, 141539, 0, 61.5, 32.3, std::nullopt, 30.1, 2.5});
    r.oneCpuUnavailable = "not measured after the first run";
    r.precisionPercent = 2.5;
    r.endedBy = EndedBy::MaxRuns;
    r.environment.refreshHz.reset();
    return r;
}
