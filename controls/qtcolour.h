// Turns the program's colours into Qt colours; theme colours come from the palette.
#pragma once

#include "colour.h"

#include <QColor>

QColor toQColor(TColor colour);
