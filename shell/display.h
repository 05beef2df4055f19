// Which display the program opens, decided before Qt starts: an X server when one can be
// reached (also on a Wayland desktop, through XWayland), native Wayland only when none
// can, and one plain line instead of Qt's plugin diagnostics and an abort when there is
// no display at all.
#pragma once

#include <memory>
#include <optional>
#include <string>

struct DisplayChoice
{
    // Why no display can be opened; empty when Qt may go ahead.
    std::optional<std::string> problem;
    // The connection the check made to the X server, to keep until Qt has its own: a bare
    // X server resets when its last client leaves and turns new clients away meanwhile.
    std::shared_ptr<void> checked;
};

// Chooses Qt's platform unless the user's QT_QPA_PLATFORM already names one.
DisplayChoice PrepareDisplay();
