// The default beep, behind a replaceable handler so tests can count beeps.
#pragma once

#include <functional>

// Type 0 is the desktop's default beep, the only one the program uses.
void MessageBeep(unsigned type);

void setBeepHandler(std::function<void(unsigned type)> handler);
