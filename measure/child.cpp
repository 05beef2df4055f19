#include "child.h"

#include <QDir>
#include <QString>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t interruptedBy = 0;

cpu_set_t only(int cpu)
{
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    return set;
}

} // namespace

Child::Child(const QString &program, const QStringList &arguments, const QStringList &environment,
             std::optional<int> cpu)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setEnvironment(environment);
    m_process.setChildProcessModifier([cpu] {
        // Ended with plovex-bench however that ends, and never by the terminal's Ctrl-C
        // alone: plovex-bench ends its programs itself, in order.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        setpgid(0, 0);
        if (const cpu_set_t one = only(cpu.value_or(0)); cpu)
            sched_setaffinity(0, sizeof one, &one);
    });
    m_process.start(program, arguments);
    if (!m_process.waitForStarted())
        throw std::runtime_error("cannot start " + program.toStdString() + ": " +
                                 m_process.errorString().toStdString());
    m_pid = pid_t(m_process.processId());
}

void Child::readOutput(std::chrono::milliseconds wait)
{
    if (m_process.state() == QProcess::Running && !m_process.bytesAvailable())
        m_process.waitForReadyRead(int(wait.count()));
    m_output += m_process.readAll();
}

QString Child::tail() const
{
    const QString text = QString::fromLocal8Bit(m_output).trimmed();
    return text.isEmpty() ? QString("no output") : text.right(300).replace('\n', " / ");
}

std::optional<QByteArray> Child::line(const QByteArray &prefix) const
{
    for (const QByteArray &l : m_output.split('\n').mid(0, m_output.count('\n')))
        if (l.startsWith(prefix))
            return l;
    return std::nullopt;
}

std::optional<int> Child::exitStatus()
{
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(0))
        return std::nullopt;
    m_output += m_process.readAll();
    // A program ended by a signal reads as 128 + the signal, as in a shell.
    const bool signalled = m_process.exitStatus() == QProcess::CrashExit;
    return m_process.exitCode() + (signalled ? 128 : 0);
}

void Child::throwIfEnded(const QString &what)
{
    if (const auto status = exitStatus())
        throw std::runtime_error(
            QString("%1 with status %2 (%3)").arg(what).arg(*status).arg(tail()).toStdString());
}

std::optional<int> Child::waitForExit(std::chrono::milliseconds limit)
{
    const auto by = std::chrono::steady_clock::now() + limit;
    while (!exitStatus()) {
        throwIfInterrupted();
        if (std::chrono::steady_clock::now() > by) {
            end();
            return std::nullopt;
        }
        m_process.waitForFinished(50);
    }
    return exitStatus();
}

void Child::end()
{
    if (exitStatus())
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(2000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
    exitStatus();
}

void catchInterrupts()
{
    struct sigaction action = {};
    action.sa_handler = [](int signal) { interruptedBy = signal; };
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

bool interrupted()
{
    return interruptedBy != 0;
}

void throwIfInterrupted()
{
    if (interrupted())
        throw std::runtime_error("interrupted");
}

std::vector<int> allowedCpus()
{
    cpu_set_t set;
    std::vector<int> cpus;
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
            if (CPU_ISSET(cpu, &set))
                cpus.push_back(cpu);
    return cpus;
}

PinnedProcess::PinnedProcess(pid_t pid, int cpu)
{
    const cpu_set_t one = only(cpu);
    for (const QString &task : QDir(QString("/proc/%1/task").arg(pid)).entryList(QDir::Dirs)) {
        cpu_set_t before;
        const pid_t thread = task.toInt();
        if (thread <= 0 || sched_getaffinity(thread, sizeof before, &before) != 0)
            continue; // not a thread, or one that has ended meanwhile
        if (sched_setaffinity(thread, sizeof one, &one) != 0) {
            const int error = errno;
            restore(); // what was changed already
            throw std::runtime_error(error == EPERM ? "moving the X server to another processor "
                                                      "is not permitted (it runs as another "
                                                      "user; its owner or root may)"
                                                    : std::strerror(error));
        }
        m_before.push_back({thread, before});
    }
}

void PinnedProcess::restore()
{
    for (const auto &[thread, before] : m_before)
        sched_setaffinity(thread, sizeof before, &before);
    m_before.clear();
}
