// A picture laid over the field (a label): composed into the frame's own pixels before the
// frame is presented, by this code for every presenter, so that every way to the screen
// shows the same pixels.
#pragma once

#include <cstdint>
#include <vector>

// Premultiplied 0xAARRGGBB pixels that someone else owns, row after row `stride` apart.
struct OverlayPicture
{
    const std::uint32_t *pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0; // in pixels
};

class Overlay
{
public:
    // Takes a new picture; its visible pixels are found once, here.
    void setPicture(const OverlayPicture &picture);

    // Blends the picture over the opaque field (fieldWidth x fieldHeight pixels, no gaps
    // between rows) with its corner at (x, y), clipped to the field: source over, rounded
    // as the toolkit's own source-over rounds.
    void blendOver(std::uint32_t *field, int fieldWidth, int fieldHeight, int x, int y) const;

private:
    // The pixels that are not fully transparent, as runs along the rows (the text of a
    // transparent label is a small part of its rectangle); short transparent gaps inside a
    // row are taken into the run around them.
    struct Run
    {
        int y, left, right; // right exclusive
        bool opaque;        // every pixel of the run fully covers the field
    };

    OverlayPicture m_picture;
    std::vector<Run> m_runs;
};
