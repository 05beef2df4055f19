// plovex-harness: the real program (same start-up, same windows, same loop) with
// instruments for the input storm and the Wayland smoke. It names the platform Qt runs on,
// watches every frame and every repaint of the field and counts frames drawn without a
// repaint between them once the window has been shown; it announces the start and end of
// each run on standard output;
// with --control it takes commands on standard input, for platforms where no outside
// program can send input (mouse input goes through Qt's window system interface, as the
// platform plugin would deliver it):
//   grab PATH                 saves what the main window shows as an image
//   quit                      clicks the quit button
//   press|release BUTTON X Y  a mouse button (1 left, 2 middle, 3 right) at X, Y
//   move X Y                  the pointer to X, Y (main window coordinates)
//   table                     chooses the score table from the menu's action
// When the loop ends it prints one summary line; its exit status is the program's.
#include "mainform.h"
#include "runstate.h"
#include "startup.h"
#include "startupwatch.h"

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTest>
#include <QWindow>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

void say(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

// Looks at the run state before every event the application delivers. Frames are drawn
// only in idle passes and in event handlers, so all frames drawn between two repaints
// of the field are seen by the time the second one is delivered.
class FramePaintChecker : public QObject
{
public:
    explicit FramePaintChecker(TMainForm &form) : m_form(form)
    {
        // The window's creation drew the first run's start frame.
        m_runStart = StartTick;
        m_seenFrames = FrameCount;
        m_unpainted = FrameCount;
        m_totalFrames = FrameCount;
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        observe();
        if (watched == m_form.Image1 && event->type() == QEvent::Paint) {
            ++m_repaints;
            if (m_repaints == 1) {
                // Until the window is first shown, nothing can repaint a frame, and each
                // event wakes the loop for one more (on Wayland the window is shown only
                // after a few round trips with the compositor).
                m_beforeFirstRepaint = m_unpainted;
            } else if (m_unpainted > 1) {
                ++m_violations;
                if (m_violations <= 10)
                    say(QStringLiteral("plovex-harness: run %1: %2 frames drawn without a "
                                       "repaint between them, up to frame %3")
                            .arg(m_runs)
                            .arg(m_unpainted)
                            .arg(FrameCount));
            }
            m_unpainted = 0;
        }
        if (watched == m_form.shuuryou && event->type() == QEvent::Show)
            say(QStringLiteral("plovex-harness: run %1 finished: score %2, %3 frames in %4 ms")
                    .arg(m_runs)
                    .arg(Score)
                    .arg(FrameCount)
                    .arg(ElapsedMs));
        return false;
    }

    void summary()
    {
        observe();
        say(QStringLiteral("plovex-harness: runs %1, frames %2, repaints %3, frames before the "
                           "first repaint: %4, frames drawn without a repaint between: %5")
                .arg(m_runs)
                .arg(m_totalFrames)
                .arg(m_repaints)
                .arg(m_beforeFirstRepaint)
                .arg(m_violations));
    }

private:
    void observe()
    {
        const std::int64_t drawn =
            StartTick == m_runStart ? FrameCount - m_seenFrames : std::int64_t{FrameCount};
        if (StartTick != m_runStart) {
            m_runStart = StartTick;
            ++m_runs;
            say(QStringLiteral("plovex-harness: run %1 started").arg(m_runs));
        }
        m_seenFrames = FrameCount;
        m_unpainted += drawn;
        m_totalFrames += drawn;
    }

    TMainForm &m_form;
    std::int32_t m_runStart = 0;
    std::int32_t m_seenFrames = 0;
    std::int64_t m_unpainted = 0;
    std::int64_t m_totalFrames = 0;
    std::int64_t m_repaints = 0;
    std::int64_t m_beforeFirstRepaint = 0;
    std::int64_t m_violations = 0;
    int m_runs = 1;
};

// Commands on standard input, one a line.
class Control : public QObject
{
public:
    explicit Control(TMainForm &form)
        : m_form(form), m_notifier(STDIN_FILENO, QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] { readCommand(); });
    }

private:
    void readCommand()
    {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            m_notifier.setEnabled(false);
            return;
        }
        m_pending.append(buffer, std::size_t(n));
        for (std::size_t end; (end = m_pending.find('\n')) != std::string::npos;) {
            run(QString::fromStdString(m_pending.substr(0, end)).trimmed());
            m_pending.erase(0, end + 1);
        }
    }

    void run(const QString &command)
    {
        if (command.startsWith(QLatin1String("grab "))) {
            const QString path = command.mid(5);
            const bool saved = m_form.grab().save(path);
            say(QStringLiteral("plovex-harness: grab %1 %2").arg(saved ? "saved" : "failed", path));
        } else if (command == QLatin1String("quit")) {
            // Press and release in the middle of the quit button, in the main window's
            // coordinates, as the platform plugin would deliver them.
            QWindow *window = m_form.windowHandle();
            const QPoint at = m_form.shuuryou->mapTo(&m_form, m_form.shuuryou->rect().center());
            QTest::mousePress(window, Qt::LeftButton, {}, at);
            QTest::mouseRelease(window, Qt::LeftButton, {}, at);
        } else if (command.startsWith(QLatin1String("press ")) ||
                   command.startsWith(QLatin1String("release ")) ||
                   command.startsWith(QLatin1String("move "))) {
            // press|release BUTTON X Y, move X Y: in the main window's coordinates.
            const QStringList args = command.split(u' ');
            const bool move = args[0] == QLatin1String("move");
            const Qt::MouseButton button =
                move ? Qt::NoButton : Qt::MouseButton(1 << (args.value(1).toInt() - 1));
            const QPoint at(args.value(move ? 1 : 2).toInt(), args.value(move ? 2 : 3).toInt());
            QWindow *window = m_form.windowHandle();
            if (move)
                QTest::mouseMove(window, at);
            else if (args[0] == QLatin1String("press"))
                QTest::mousePress(window, button, {}, at);
            else
                QTest::mouseRelease(window, button, {}, at);
        } else if (command == QLatin1String("table")) {
            m_form.ActionList1.ActHanntei->trigger();
        } else if (!command.isEmpty()) {
            say(QStringLiteral("plovex-harness: unknown command %1").arg(command));
        }
    }

    TMainForm &m_form;
    QSocketNotifier m_notifier;
    std::string m_pending;
};

} // namespace

int main(int argc, char *argv[])
{
    bool control = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--control") == 0) {
            control = true;
        } else {
            std::fprintf(stderr, "usage: plovex-harness [--control]\n");
            return 2;
        }
    }

    std::unique_ptr<FramePaintChecker> checker;
    std::unique_ptr<Control> commands;
    startupwatch::shown = [&](TMainForm &form) {
        say(QStringLiteral("plovex-harness: platform %1").arg(QGuiApplication::platformName()));
        checker = std::make_unique<FramePaintChecker>(form);
        qApp->installEventFilter(checker.get());
        if (control)
            commands = std::make_unique<Control>(form);
    };
    startupwatch::gone = [&] {
        commands.reset();
        qApp->removeEventFilter(checker.get());
    };
    const int status = RunPlovex(argc, argv);
    if (checker)
        checker->summary();
    return status;
}
