// The runs plovex-bench measures, watched from outside as a user would: one whole Plovex
// run from its start to its quit, and one run of the limit program.
#pragma once

#include "display.h"
#include "result.h"

#include <stdexcept>

struct SpriteSheets;

// Throws std::runtime_error with what went wrong.
PlovexRun measurePlovex(const QString &plovex, const Watcher &watcher, const SpriteSheets &sheets);

// One run of the limit program, serial or with its frames overlapped (`pipelined`).
// Throws LimitUnavailable when this display cannot take its images (or, for `pipelined`,
// when the program has no --pipeline), std::runtime_error when it fails.
struct LimitUnavailable : std::runtime_error
{
    using std::runtime_error::runtime_error;
};
LimitRun measureLimit(const QString &limit, const Watcher &watcher, bool pipelined);
