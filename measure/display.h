// The X display plovex-bench measures on, seen from outside: the server's process and the
// display's facts that change scores.
#pragma once

#include "result.h"

#include <QStringList>

#include <sys/types.h>

typedef struct _XDisplay Display;

// The X server's process, from the peer of the connection's local socket; 0 when the server
// is not a local process.
pid_t serverProcess(Display *d);

// Fills the display's fields of `e` (server, MIT-SHM, window manager, compositor, screen,
// refresh rate, scale) and returns warnings about it.
QStringList gatherDisplay(Environment &e, Display *d, pid_t serverPid);
