// The ellipse a window is cut to, as the pixels it keeps: one definition for the main
// window's shape, plovex-limit's window and the tests that check a shape from outside.
#pragma once

#include <vector>

// Rows of pixels, top to bottom; rows with the same span share one band.
struct ShapeBand
{
    int left, top, width, height;
};

// The ellipse inscribed in a width x height box at the origin, exactly as Qt rasterises an
// elliptic region, which is the shape the Qt window has always had: four cubic Bezier
// quarters, flattened to within half a pixel, their corners rounded to whole pixels, and
// filled at the pixels' top-left corners (a span's left end included, its right end not;
// an edge's top row included, its bottom row not).
std::vector<ShapeBand> ellipseBands(int width, int height);

// Whether pixel (x, y) is one of the bands'.
bool contains(const std::vector<ShapeBand> &bands, int x, int y);
