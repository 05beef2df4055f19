// Fonts by the faces the layout names. Where a face is not installed, the family that
// stands in for it is chosen (engine/faces.h) among the installed families with Japanese
// glyphs, listed once.
#pragma once

#include "faces.h"
#include "winapi.h"

#include <string>
#include <vector>

// Families with Japanese glyphs (SHIFTJIS_CHARSET), vertical variants left out.
const std::vector<std::string> &japaneseFamilies();

// The family a face is drawn with on this machine.
std::wstring familyFor(std::string_view face);

GdiObject<HFONT> createFont(const FontSpec &wanted);
