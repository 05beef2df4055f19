// The protocol with a running Plovex through its main window: the window found as it is
// made, what Plovex publishes on it (the score on the digit tiles, the presentation report
// at the finish), and the close request a desktop would send.
#pragma once

#include "child.h"
#include "presentreport.h"
#include "xwindow.h"

#include <chrono>
#include <optional>

struct SpriteSheets;

// How often a watch looks at the program between the X events it waits for.
constexpr std::chrono::milliseconds kPoll{50};

// Waits up to `limit` for `program`'s main window to be created on the root, watched with
// SubstructureNotify from before the program started, and returns as soon as it is.
// Throws std::runtime_error when the program ends or no window comes.
Window awaitPlovexWindow(Display *d, Child &program, std::chrono::milliseconds limit);

// The report on the window; none from a Plovex that publishes none.
std::optional<PresentReport> readPresentReport(Display *d, Window w);
// The score on the digit tiles, giving the last frame up to 3 s to reach the window.
// Throws std::runtime_error when they cannot be read.
int readScoreFromWindow(Display *d, Window w, const SpriteSheets &sheets);
// Sends the close request and waits for a clean quit. Throws std::runtime_error unless
// Plovex quits with status 0 within 5 s.
void closePlovex(Display *d, Window w, Child &program);
