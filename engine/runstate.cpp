#include "runstate.h"

std::int32_t StartTick = 0;
std::int32_t ElapsedMs = 0;
std::int32_t FrameCount = 0;
std::int32_t Score = 0;
bool ButtonBlink = false;
bool TableBlink = false;
