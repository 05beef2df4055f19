#include "placement.h"

#include <QDir>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

std::vector<pid_t> threads(pid_t pid)
{
    std::vector<pid_t> ids;
    for (const QString &task : QDir(QString("/proc/%1/task").arg(pid)).entryList(QDir::Dirs))
        if (const int id = task.toInt(); id > 0)
            ids.push_back(id);
    return ids;
}

QString refusal(int error)
{
    return error == EPERM ? QString("changing the X server's processors is not permitted (it "
                                    "runs as another user; its owner or root may)")
                          : QString("cannot change the X server's processors: %1")
                                .arg(QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

std::vector<int> allowedCpus(pid_t pid)
{
    cpu_set_t set;
    std::vector<int> cpus;
    if (sched_getaffinity(pid, sizeof set, &set) == 0)
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
            if (CPU_ISSET(cpu, &set))
                cpus.push_back(cpu);
    return cpus;
}

QString whyNotPinnable(pid_t pid)
{
    if (pid <= 0)
        return "the X server is not a process of this machine";
    for (const pid_t thread : threads(pid)) {
        cpu_set_t set;
        if (sched_getaffinity(thread, sizeof set, &set) != 0 ||
            sched_setaffinity(thread, sizeof set, &set) != 0)
            return refusal(errno);
    }
    return {};
}

PinnedProcess::PinnedProcess(pid_t pid, int cpu)
{
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    for (const pid_t thread : threads(pid)) {
        cpu_set_t before;
        if (sched_getaffinity(thread, sizeof before, &before) != 0)
            continue; // a thread that has ended meanwhile
        if (sched_setaffinity(thread, sizeof one, &one) != 0) {
            const int error = errno;
            restore(); // what was already changed
            throw std::runtime_error(refusal(error).toStdString());
        }
        m_before.push_back({thread, before});
    }
}

PinnedProcess::~PinnedProcess()
{
    restore();
}

void PinnedProcess::restore()
{
    for (const auto &[thread, before] : m_before)
        sched_setaffinity(thread, sizeof before, &before);
    m_before.clear();
}
