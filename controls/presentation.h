// The one place that asks which window system the program runs on: it picks the field's
// presenter once, at start-up, and says what the windows must do differently there, as a
// platform abstraction hands its backing store to the windows above it.
#pragma once

#include "presenter.h"

#include <memory>
#include <string_view>

class QWidget;
class TImage;

enum class FieldPath {
    Fastest,    // shared memory where the display allows, else the back buffer
    BackBuffer, // always the toolkit's back buffer
};

// How the field reaches the screen, and what that asks of the windows.
struct FieldPresentation
{
    std::unique_ptr<Presenter> presenter;
    // The view is a window of its own, which covers whatever its parent paints beneath it:
    // controls that must stay above the field need windows of their own too.
    bool viewIsWindow = false;
    // Whether a window's shape also cuts what shows of it. Not on Wayland, where no
    // compositor honours an output shape: there a shaped window is translucent and must
    // paint nothing outside its shape.
    bool shapeCutsOutput = true;
    // Said once at start where the score does not measure what it measures on X11; empty
    // where it does.
    std::string_view caveat;
};

// Chooses the way for the field view `view` and sets the view up for it (whether it paints
// its window itself, see TImage::setOwnWindow).
FieldPresentation presentField(TImage &view, FieldPath path = FieldPath::Fastest);

// On X11 the window shows the desktop's pointer instead of one of its own. An X server
// that draws the pointer itself (Xvfb, VNC servers) redraws a pointer over every frame it
// overlaps, and the toolkit's own arrow is a translucent picture that costs it far more
// to redraw than the desktop's; elsewhere nothing changes.
void useDesktopPointer(QWidget &window);
