// Reads a finished run's score from a picture of Plovex's window, as a user reads it: the
// four digit tiles on the field, each compared pixel for pixel with the digits of a sheet.
#pragma once

#include "spritesheet.h"

#include <QPoint>
#include <QRgb>

#include <optional>
#include <string>

class QImage;

struct TileReading
{
    int score = -1;      // 0..9999 when each tile matched exactly one digit
    std::string problem; // otherwise which tile failed, and how

    bool ok() const { return problem.empty(); }
};

// `origin` is where the window's top-left corner lies in the image. Only the tiles' opaque
// pixels are compared, so sprites and colours around them do not matter; of each pixel
// only the bits in `kept`, for a screen of fewer colours.
TileReading readScoreTiles(const QImage &image, QPoint origin, const SpriteSheets &sheets,
                           QRgb kept = 0xffffff);

// The tiles show only a score's lowest four digits. A run that counted `frames` finished
// just past 8.8 s, which gives its score to about a frame a second and so the digits
// above the tiles. nullopt when the tiles do not fit the count.
std::optional<int> scoreFromTiles(int tiles, long long frames);
