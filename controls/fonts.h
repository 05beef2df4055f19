// The program's four Japanese faces (engine/faces.h), asked for by the names the layout
// uses and mapped to installed faces of the same kind (fontconfig knows none of the names).
#pragma once

#include "faces.h"

#include <QFont>

// Registers the substitutions with Qt; call once before any window is built. Where none
// of a face's stand-ins is installed, the nearest installed family with Japanese glyphs
// stands in for it.
void installFontSubstitutions();

// A font by face and character height in pixels (the em height, no internal leading).
QFont makeFont(const FontSpec &wanted);
