// The machine a result is measured on: processor, frequency governor, power source,
// kernel, load, and the settings that scale windows. The X display's own facts are
// gathered where the display is watched (watch.h).
#pragma once

#include "result.h"

#include <QStringList>

#include <chrono>

// Other programs busier than this, in per cent of all cores, before or during a run get
// a warning: they take turns with Plovex and the X server.
constexpr double kBusyWarningPercent = 10;

// Fills the machine's fields of `e`, sampling how busy the processor is for `busySample`
// first, and returns warnings for what lowers or unsettles scores: a battery, power
// saving, other programs using the processor.
QStringList gatherMachine(Environment &e, std::chrono::milliseconds busySample);

// The scale settings a desktop may set for toolkits, "NAME=value" joined by spaces, or
// "none"; `xftDpi` is the X resource's value when there is one.
QString scaleSettings(const QString &xftDpi);
