// Processor time read from /proc, as anyone may read another program's: a process's own
// time, the machine's in all, and what that says per frame and about other programs.
#pragma once

#include <chrono>
#include <optional>
#include <sys/types.h>

// Jiffies of all cores together since boot, from /proc/stat. Busy time includes what the
// host took from a virtual machine (steal), which a run loses just the same.
struct ProcessorTimes
{
    double busy = 0;
    double total = 0;
};
ProcessorTimes processorTimes();

// Everything sampled at one moment of a run: the program's and the X server's utime +
// stime in clock ticks (unknown for a process that is not local or not readable).
struct Sample
{
    std::chrono::steady_clock::time_point at;
    std::optional<long long> client, server;
    ProcessorTimes machine;
};
Sample sample(pid_t client, pid_t server);

// What the processors did between two samples besides the two processes, in per cent of
// all cores; unknown when either's time is.
std::optional<double> otherBusyPercent(const Sample &from, const Sample &to);

std::optional<double> microsecondsPerFrame(const std::optional<long long> &from,
                                           const std::optional<long long> &to, long long frames);
