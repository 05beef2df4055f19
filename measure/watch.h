// Plovex and the limit program run on an X display and watched from outside, as a user
// would: Plovex's window found by its process id, processor times read from /proc, the
// score read from the window's digit tiles, the close request sent like a desktop's.
#pragma once

#include "child.h"
#include "result.h"
#include "spritesheet.h"

#include <QStringList>

#include <memory>

typedef struct _XDisplay Display;

// A private Xvfb on a free display number, 1280 x 1024 at 24 bits with SHAPE, as
// scripts/with-xvfb.sh starts one; stopped when this goes away.
class PrivateXvfb
{
public:
    PrivateXvfb(); // throws std::runtime_error when no server comes up
    QString display() const { return m_display; }

private:
    std::unique_ptr<Child> m_server;
    QString m_display;
};

struct Watcher
{
    Display *display = nullptr;
    pid_t serverPid = 0;     // 0 when the server is not a local process
    QStringList environment; // for the programs started, "NAME=value"
};

// Connects to `display` (empty: $DISPLAY) and finds the X server's process from the peer
// of the connection's local socket. Throws std::runtime_error when it cannot connect.
Watcher openWatcher(const QString &display, const QStringList &environment);

// Fills the display's fields of `e` and returns warnings about it.
QStringList gatherDisplay(Environment &e, const Watcher &watcher);

// One whole run of the program at `plovex`, from its start to its quit. Throws
// std::runtime_error with what went wrong.
PlovexRun measurePlovex(const QString &plovex, const Watcher &watcher, const SpriteSheets &sheets);

// One run of the limit program. Throws LimitUnavailable when this display cannot take its
// images, std::runtime_error when it fails.
struct LimitUnavailable : std::runtime_error
{
    using std::runtime_error::runtime_error;
};
LimitRun measureLimit(const QString &limit, const Watcher &watcher);
