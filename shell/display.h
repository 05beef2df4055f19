// Which display the program opens, decided before Qt starts: an X server when one can be
// reached (also on a Wayland desktop, through XWayland), native Wayland only when none
// can, and one plain line instead of Qt's plugin diagnostics and an abort when there is
// no display at all.
#pragma once

#include <optional>
#include <string>

// Chooses Qt's platform unless the user's QT_QPA_PLATFORM already names one. Returns the
// reason no display can be opened, or nothing when Qt may go ahead.
std::optional<std::string> PrepareDisplay();
