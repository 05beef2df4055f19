// Handlers of the program's controls run guarded: an error that escapes one is reported
// and the program goes on. Who reports it (the application's message box) is handed in
// at start-up.
#pragma once

#include <QString>

#include <functional>

using ErrorReporter = std::function<void(const QString &message)>;

// Replaces the reporter; without one, errors are dropped.
void setErrorReporter(ErrorReporter reporter);

// Runs a handler, reporting whatever escapes it.
void guarded(const std::function<void()> &handler);
