// What held a result's score down, judged from its runs: the display's refresh rate, or
// whichever of Plovex and the X server used more processor time per frame.
#pragma once

#include "result.h"

struct Limiter
{
    enum class Kind { RefreshCap, Plovex, XServer, Unknown };
    Kind kind = Kind::Unknown;
    QString text; // one sentence, saying whether the score ranks the machine
};

// A median within 2 % (and 1 fps) of the refresh rate or of a half, third or quarter of
// it counts as capped.
Limiter whatLimited(const BenchResult &result);
