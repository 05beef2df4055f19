// The X display plovex-bench measures on, and the protocol with the programs it runs there.
// Plovex is watched from outside as a user would: its window found as it is made, the
// score read from its digit tiles, the report it leaves on the window at the finish, the
// close request a desktop sends. The limit program reports itself (limitreport.h). One
// owner for the connection, the private Xvfb and the server's place on the processors.
#pragma once

#include "child.h"
#include "measurement.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <stdexcept>

struct SpriteSheets;
typedef struct _XDisplay Display;
typedef union _XEvent XEvent;

// Thrown when the limit program cannot run as asked: the display takes no images of it, or
// its server may not be moved to another processor.
struct LimitUnavailable : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

class Session
{
public:
    // Connects to the display, or starts the private Xvfb, and fills the display's fields of
    // `r`'s environment, adding warnings about it, and says in r.oneCpuUnavailable why the
    // limit cannot also run with its X server on its processor. `whileWaiting` is called
    // often while a run goes on. Throws std::runtime_error when it cannot connect.
    Session(const MeasureOptions &o, std::function<void()> whileWaiting, BenchResult &r);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // One whole run of `plovex`. Throws std::runtime_error with what went wrong.
    PlovexRun measurePlovex(const QString &plovex, const SpriteSheets &sheets);
    // One run of the limit program, placed as Plovex's runs are, or with the X server on its
    // processor (`oneCpu`, where r.oneCpuUnavailable was left empty).
    LimitRun measureLimit(const QString &limit, bool oneCpu);

private:
    void heartbeat()
    {
        throwIfInterrupted();
        m_whileWaiting();
    }
    XEvent nextEvent(Child &program, std::chrono::steady_clock::time_point by, const QString &late);
    int readScore(unsigned long window, const SpriteSheets &sheets);

    std::function<void()> m_whileWaiting;
    QTemporaryDir m_runtime;
    std::unique_ptr<Child> m_xvfb;
    Display *m_display = nullptr;
    pid_t m_serverPid = 0;        // 0 when the server is not a local process
    QStringList m_environment;    // for the programs started, "NAME=value"
    int m_cpu = 0;                // the limit's processor, when it runs with its server
    std::optional<int> m_runsCpu; // m_cpu, when every run shares it
};
