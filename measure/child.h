// A program plovex-bench starts and watches: its output through a pipe, its exit without
// blocking, and its polite end with plovex-bench's, so that no server or window is left
// behind; the interrupt (Ctrl-C, SIGTERM) that ends plovex-bench the same way; and the
// processors a program runs on, which plovex-bench changes to see what the hand-over
// between processors costs a frame.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <chrono>
#include <optional>
#include <sched.h>
#include <stdexcept>
#include <utility>
#include <vector>

class Child
{
public:
    // Starts `program` with `arguments` in `environment` ("NAME=value" entries), standard
    // output and error into one pipe, on processor `cpu` alone when one is given. Throws
    // std::runtime_error when it cannot start.
    Child(const QString &program, const QStringList &arguments, const QStringList &environment,
          std::optional<int> cpu = std::nullopt);
    ~Child() { end(); } // ends the program if it still runs
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    pid_t pid() const { return m_pid; }

    // Reads what the program wrote since the last call, waiting up to `wait` for something.
    void readOutput(std::chrono::milliseconds wait = std::chrono::milliseconds(0));
    const QByteArray &output() const { return m_output; }
    // The end of the output on one line, or "no output", for messages.
    QString tail() const;
    // The first complete line that starts with `prefix`, if it has been written.
    std::optional<QByteArray> line(const QByteArray &prefix) const;

    // The exit status (128 + signal for a signal) once it has ended; never blocks.
    std::optional<int> exitStatus();
    // Once it has ended, throws std::runtime_error "`what` with status N (its output)".
    void throwIfEnded(const QString &what);
    // Waits up to `limit` for the end; ends the program after that.
    std::optional<int> waitForExit(std::chrono::milliseconds limit);

private:
    // SIGTERM, then SIGKILL if it has not ended after a short grace.
    void end();

    QProcess m_process;
    pid_t m_pid = -1;
    QByteArray m_output;
};

// From now on Ctrl-C, SIGTERM and SIGHUP only mark plovex-bench interrupted. Where it looks,
// it throws std::runtime_error, so that everything it started is ended on the way out.
void catchInterrupts();
bool interrupted();
void throwIfInterrupted();

// The processors this process may run on.
std::vector<int> allowedCpus();

// Every thread of `pid` on processor `cpu` alone while this lives; then each gets back the
// processors it had. Throws std::runtime_error when that is not permitted.
class PinnedProcess
{
public:
    PinnedProcess(pid_t pid, int cpu);
    ~PinnedProcess() { restore(); }
    PinnedProcess(const PinnedProcess &) = delete;
    PinnedProcess &operator=(const PinnedProcess &) = delete;

private:
    void restore();

    std::vector<std::pair<pid_t, cpu_set_t>> m_before;
};
