// The machine and the X display a result is measured on: processor, frequency governor,
// power source, kernel and load; the X server, its managers, screen and scale settings; and
// processor time read from /proc, as anyone may read another program's: a process's own
// time, the machine's in all, and what that says per frame and about other programs.
#pragma once

#include "result.h"

#include <QStringList>

#include <chrono>
#include <optional>
#include <sys/types.h>

typedef struct _XDisplay Display;

// Other programs busier than this, in per cent of all cores, before or during a run get
// a warning: they take turns with Plovex and the X server.
constexpr double kBusyWarningPercent = 10;

// Fills the machine's fields of `e`, sampling how busy the processor is for `busySample`
// first, and returns warnings for what lowers or unsettles scores: a battery, power
// saving, other programs using the processor.
QStringList gatherMachine(Environment &e, std::chrono::milliseconds busySample);

// The X server's process, from the peer of the connection's local socket; 0 when the server
// is not a local process.
pid_t serverProcess(Display *d);
// Fills the display's fields of `e` (server, MIT-SHM, window manager, compositor, screen,
// refresh rate, scale) and returns warnings about it.
QStringList gatherDisplay(Environment &e, Display *d, pid_t serverPid);

// Jiffies of all cores together since boot, from /proc/stat. Busy time includes what the
// host took from a virtual machine (steal), which a run loses just the same.
struct ProcessorTimes
{
    double busy = 0;
    double total = 0;
};

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
