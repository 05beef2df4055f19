// The machine a result is measured on: processor, frequency governor, power source,
// kernel, load, and the settings that scale windows; and processor time read from /proc, as
// anyone may read another program's: a process's own time, the machine's in all, and what
// that says per frame and about other programs. The X display's own facts are gathered
// where the display is watched (display.h).
#pragma once

#include "result.h"

#include <QStringList>

#include <chrono>
#include <optional>
#include <sys/types.h>

// Other programs busier than this, in per cent of all cores, before or during a run get
// a warning: they take turns with Plovex and the X server.
constexpr double kBusyWarningPercent = 10;

// Fills the machine's fields of `e`, sampling how busy the processor is for `busySample`
// first, and returns warnings for what lowers or unsettles scores: a battery, power
// saving, other programs using the processor.
QStringList gatherMachine(Environment &e, std::chrono::milliseconds busySample);

// The scale settings a desktop may set for toolkits, "NAME=value" joined by spaces, or
// "none"; `xftDpi` is the X resource's value when there is one.
QString scaleSettings(const QString &xftDpi);

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
