#include "cputime.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

// utime + stime of a process in clock ticks, from /proc/PID/stat.
std::optional<long long> cpuTicks(pid_t pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    const std::string stat{std::istreambuf_iterator<char>(file), {}};
    // The command name may hold spaces and parentheses; the fields follow the last ')'.
    const std::size_t close = stat.rfind(')');
    if (pid <= 0 || close == std::string::npos)
        return std::nullopt;
    // state .. cmajflt (fields 3 to 13 of stat), then utime and stime.
    long long user = 0, system = 0;
    if (std::sscanf(stat.c_str() + close + 1,
                    " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lld %lld", &user, &system) != 2)
        return std::nullopt;
    return user + system;
}

} // namespace

ProcessorTimes processorTimes()
{
    std::ifstream file("/proc/stat");
    std::string cpu;
    double t[8] = {};
    if (!(file >> cpu) || cpu != "cpu")
        return {};
    for (double &v : t)
        if (!(file >> v))
            return {};
    // user nice system idle iowait irq softirq steal; guest time is inside user already.
    ProcessorTimes times;
    for (double v : t)
        times.total += v;
    times.busy = times.total - t[3] - t[4];
    return times;
}

Sample sample(pid_t client, pid_t server)
{
    return {std::chrono::steady_clock::now(), cpuTicks(client), cpuTicks(server), processorTimes()};
}

std::optional<double> otherBusyPercent(const Sample &from, const Sample &to)
{
    const double total = to.machine.total - from.machine.total;
    if (!from.client || !to.client || !from.server || !to.server || total <= 0)
        return std::nullopt;
    const double ours = double(*to.client - *from.client + *to.server - *from.server);
    const double other = std::max(0.0, to.machine.busy - from.machine.busy - ours);
    return std::round(other / total * 1000) / 10;
}

std::optional<double> microsecondsPerFrame(const std::optional<long long> &from,
                                           const std::optional<long long> &to, long long frames)
{
    if (!from || !to || frames <= 0)
        return std::nullopt;
    const double us = double(*to - *from) * 1e6 / double(sysconf(_SC_CLK_TCK)) / double(frames);
    return std::round(us * 10) / 10; // clock ticks are 10 ms: more digits would be noise
}
