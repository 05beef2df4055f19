// The rule every control property follows: assigning the value it already has changes
// nothing (no repaint, no resize, no timer restart). Frames assign the same values over
// and over and rely on it.
#pragma once

// Sets `property` to `value` if it differs; true when it changed.
template <typename T, typename U> bool assignIfChanged(T &property, const U &value)
{
    if (property == value)
        return false;
    property = value;
    return true;
}
