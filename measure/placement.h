// Which processors a process runs on: what plovex-bench changes to see what the hand-over
// between processors costs a frame, by running the limit program and its X server on one.
#pragma once

#include <QString>

#include <sched.h>
#include <utility>
#include <vector>

// The processors `pid` (0: this process) may run on.
std::vector<int> allowedCpus(pid_t pid = 0);

// Why this process may not change the processors of `pid` and every thread of it, or
// nothing when it may (asked by giving them the processors they have).
QString whyNotPinnable(pid_t pid);

// Every thread of `pid` on processor `cpu` alone while this lives; then each gets back
// the processors it had. Throws std::runtime_error when that is not permitted.
class PinnedProcess
{
public:
    PinnedProcess(pid_t pid, int cpu);
    ~PinnedProcess();
    PinnedProcess(const PinnedProcess &) = delete;
    PinnedProcess &operator=(const PinnedProcess &) = delete;

private:
    void restore();

    std::vector<std::pair<pid_t, cpu_set_t>> m_before;
};
