#include "child.h"

#include <QString>

#include <csignal>
#include <stdexcept>
#include <sys/prctl.h>

Child::Child(const QString &program, const QStringList &arguments, const QStringList &environment)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setEnvironment(environment);
    // Killed with plovex-bench, however that ends, so that no server or window is left.
    m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process.start(program, arguments);
    if (!m_process.waitForStarted())
        throw std::runtime_error("cannot start " + program.toStdString() + ": " +
                                 m_process.errorString().toStdString());
    m_pid = pid_t(m_process.processId());
}

Child::~Child()
{
    kill();
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
    if (!exitStatus() && !m_process.waitForFinished(int(limit.count()))) {
        kill();
        return std::nullopt;
    }
    return exitStatus();
}

void Child::kill()
{
    if (exitStatus())
        return;
    m_process.kill();
    m_process.waitForFinished();
    exitStatus();
}
