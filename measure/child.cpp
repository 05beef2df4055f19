#include "child.h"

#include <QString>

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Programs that run now, read by the signal handler: plain atomics, no locks.
std::array<std::atomic<pid_t>, 8> running{};

void remember(pid_t pid)
{
    for (auto &slot : running) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, pid))
            return;
    }
}

void forget(pid_t pid)
{
    for (auto &slot : running) {
        pid_t expected = pid;
        slot.compare_exchange_strong(expected, 0);
    }
}

void onInterrupt(int signal)
{
    for (auto &slot : running)
        if (const pid_t pid = slot.load(); pid > 0)
            ::kill(pid, SIGKILL);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

int decode(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

Child::Child(const QString &program, const QStringList &arguments, const QStringList &environment)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make a pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString &a : arguments)
        storage.push_back(a.toLocal8Bit());
    const std::size_t argc = storage.size();
    for (const QString &e : environment)
        storage.push_back(e.toLocal8Bit());
    std::vector<char *> argv, envp;
    for (std::size_t i = 0; i < storage.size(); ++i)
        (i < argc ? argv : envp).push_back(storage[i].data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    const int error = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (error != 0) {
        close(fds[0]);
        throw std::runtime_error("cannot start " + program.toStdString() + ": " +
                                 std::strerror(error));
    }
    m_outputFd = fds[0];
    fcntl(m_outputFd, F_SETFL, O_NONBLOCK);
    remember(m_pid);
}

Child::~Child()
{
    if (!m_status)
        kill();
    if (m_outputFd >= 0)
        close(m_outputFd);
}

void Child::readOutput(std::chrono::milliseconds wait)
{
    if (m_outputFd < 0)
        return;
    pollfd pfd{m_outputFd, POLLIN, 0};
    if (poll(&pfd, 1, int(wait.count())) <= 0)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(m_outputFd, buffer, sizeof buffer);
        if (n > 0) {
            m_output.append(buffer, n);
            continue;
        }
        if (n == 0) { // every writer has closed it
            close(m_outputFd);
            m_outputFd = -1;
        }
        return;
    }
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
    if (!m_status) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_status = decode(status);
            forget(m_pid);
            readOutput();
        }
    }
    return m_status;
}

void Child::throwIfEnded(const QString &what)
{
    if (const auto status = exitStatus())
        throw std::runtime_error(
            QString("%1 with status %2 (%3)").arg(what).arg(*status).arg(tail()).toStdString());
}

std::optional<int> Child::waitForExit(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!exitStatus()) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill();
            return std::nullopt;
        }
        readOutput(std::chrono::milliseconds(20));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return m_status;
}

void Child::kill()
{
    if (m_status)
        return;
    ::kill(m_pid, SIGKILL);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_status = decode(status);
    forget(m_pid);
}

void Child::installInterruptHandler()
{
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    std::signal(SIGHUP, onInterrupt);
}
