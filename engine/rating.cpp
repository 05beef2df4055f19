#include "rating.h"

std::int32_t ComputeScore(std::int32_t frameCount, std::int32_t elapsedMs)
{
    // In 32 bits the product overflows from 2,147,484 frames on and the score turns
    // negative; 64 bits hold any frame count, and a quotient beyond 32 bits (only possible
    // for a run far shorter than a scored one) is held at the largest score.
    const std::int64_t scaled = std::int64_t{frameCount} * 1000 + 500;
    const std::int64_t score = scaled / elapsedMs;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        score, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
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

std::string ComposeRatingText(std::int32_t score)
{
    const RatingBand &band = bandFor(score);
    std::string text;
    text.reserve(160);
    text.append(kScorePrefix).append(std::to_string(score)).append(kScoreSuffix);
    text.append(kScoreLineBreak).append(band.comment[0]);
    for (int line = 1; line < band.lineCount(); ++line)
        text.append(kCommentLineBreak).append(band.comment[std::size_t(line)]);
    return text;
}
