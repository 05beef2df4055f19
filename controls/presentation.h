// The one place that asks which window system the program runs on: it picks the field's
// presenter once, at start-up, and answers what the windows must do differently there.
#pragma once

#include "presenter.h"

#include <memory>

class TImage;

// Whether a window's shape also cuts what shows of it. Not on Wayland, where no compositor
// honours an output shape: there a shaped window is translucent and paints nothing
// outside its shape.
bool shapeCutsOutput();

enum class FieldPath {
    Fastest,    // shared memory where the display allows, else the back buffer
    BackBuffer, // always the toolkit's back buffer
};

// The presenter for the field view `view`, which it sets up as it needs: the shared-memory
// one makes the view a window of its own that the toolkit does not paint.
std::unique_ptr<Presenter> createFieldPresenter(TImage &view, FieldPath path = FieldPath::Fastest);
