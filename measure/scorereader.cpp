#include "scorereader.h"

#include "rating.h"
#include "runstate.h"

#include <QImage>

#include <cmath>
#include <vector>

namespace {

// The digits whose opaque pixels all show exactly at (x, y) of the image.
std::vector<int> matchingDigits(const QImage &image, int x, int y, const SpriteSheets &sheets,
                                QRgb kept)
{
    std::vector<int> found;
    for (int d = 0; d <= 9; ++d) {
        bool ok = true;
        for (int ty = 0; ty < kTileSize && ok; ++ty)
            for (int tx = 0; tx < kTileSize && ok; ++tx)
                if ((sheets.mask.pixel(d * kTileSize + tx, ty) & 0xffffff) == 0)
                    ok = (image.pixel(x + tx, y + ty) & kept) ==
                         (sheets.colour.pixel(d * kTileSize + tx, ty) & kept);
        if (ok)
            found.push_back(d);
    }
    return found;
}

} // namespace

std::optional<int> scoreFromTiles(int tiles, long long frames)
{
    // The finish frame is the first past 8.8 s; a slow last frame takes a little longer.
    constexpr double kTolerance = 0.02;
    const double expected = double(frames) * 1000.0 / (kFinishMs + 1);
    const long long above = std::max(0LL, std::llround((expected - tiles) / 10000.0));
    const long long score = tiles + 10000 * above;
    if (std::abs(double(score) - expected) > kTolerance * expected + 1)
        return std::nullopt;
    return int(score);
}

TileReading readScoreTiles(const QImage &image, QPoint origin, const SpriteSheets &sheets,
                           QRgb kept)
{
    TileReading reading;
    int score = 0;
    for (int k = 0; k < 4; ++k) {
        const int x = kScoreDigitLeft + kScoreDigitSpacing * k, y = kScoreDigitTop;
        const QPoint corner = origin + QPoint(x, y);
        if (!image.rect().contains(QRect(corner, QSize(kTileSize, kTileSize)))) {
            reading.problem = "digit tile " + std::to_string(k) + " lies outside the image";
            return reading;
        }
        const std::vector<int> found =
            matchingDigits(image, corner.x(), corner.y(), sheets, kept & 0xffffff);
        if (found.size() != 1) {
            reading.problem = "digit tile " + std::to_string(k) + " at (" + std::to_string(x) +
                              "," + std::to_string(y) + ") matches " +
                              std::to_string(found.size()) + " digits of the sheet (expected " +
                              "exactly one):";
            for (int d : found)
                reading.problem += ' ' + std::to_string(d);
            return reading;
        }
        score = score * 10 + found.front();
    }
    reading.score = score;
    return reading;
}
