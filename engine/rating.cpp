#include "rating.h"

#include "texts.h"

std::int32_t ComputeScore(std::int32_t frameCount, std::int32_t elapsedMs)
{
    // The product may exceed 32 bits for runs beyond 2,147,483 frames; form it unsigned so
    // it wraps like two's complement instead of overflowing (the conversion back is modular).
    const std::uint32_t scaled = static_cast<std::uint32_t>(frameCount) * 1000u + 500u;
    return static_cast<std::int32_t>(scaled) / elapsedMs;
}

int ratingBandIndex(std::int32_t score)
{
    // The last band whose lower edge is at or below score; the first edge is the type's
    // minimum, so there always is one.
    const auto above = std::ranges::upper_bound(RatingBands, score, {}, &RatingBand::lowerEdge);
    return static_cast<int>(above - RatingBands.begin()) - 1;
}

const RatingBand &bandFor(std::int32_t score)
{
    return RatingBands[ratingBandIndex(score)];
}

std::array<int, 4> scoreDigits(std::int32_t score)
{
    std::array<int, 4> digits{};
    std::int32_t place = 1000;
    for (int &digit : digits) {
        digit = (score / place) % 10;
        place /= 10;
    }
    return digits;
}

QString ComposeRatingText(std::int32_t score)
{
    const RatingBand &band = bandFor(score);
    QString text = toQString(kScorePrefix) + QString::number(score) + toQString(kScoreSuffix) +
                   toQString(kScoreLineBreak) + toQString(band.comment[0]);
    for (int line = 1; line < band.lineCount(); ++line)
        text += toQString(kCommentLineBreak) + toQString(band.comment[line]);
    return text;
}
