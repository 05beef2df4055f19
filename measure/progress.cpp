#include "progress.h"

#include <cstdio>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

QString minutes(Clock::duration d)
{
    const auto s = std::chrono::duration_cast<std::chrono::seconds>(d).count();
    return QString("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QChar('0'));
}

} // namespace

Progress::Progress(int steps, std::optional<double> precision)
    : m_terminal(isatty(STDERR_FILENO)), m_steps(steps), m_precision(precision)
{
}

void Progress::begin(int run, int runs, const QString &what)
{
    ++m_done;
    m_what = m_precision ? QString("run %1, until the median is within ±%2 %: %3")
                               .arg(run)
                               .arg(*m_precision)
                               .arg(what)
                         : QString("run %1 of %2: %3").arg(run).arg(runs).arg(what);
    show();
}

void Progress::tick()
{
    if (Clock::now() - m_shown >= std::chrono::seconds(1))
        show();
}

void Progress::show()
{
    if (!m_terminal)
        return;
    m_shown = Clock::now();
    const Clock::duration gone = m_shown - m_start;
    QString line = m_what + ", " + minutes(gone) + " gone";
    if (m_done > 0) // the steps done so far give the pace
        line += QString(", %1 %2 left")
                    .arg(m_precision ? "at most" : "about")
                    .arg(minutes(gone / m_done * std::max(0, m_steps - m_done)));
    std::fprintf(stderr, "\r\033[K%s", qPrintable(line));
    std::fflush(stderr);
}

void Progress::clear()
{
    if (m_terminal && m_done >= 0) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
}
