#include "spritefield.h"

#include <chrono>

std::int32_t SpriteX[kSpriteCount];
std::int32_t SpriteY[kSpriteCount];
std::int32_t SpriteTile[kSpriteCount];
std::int32_t SpriteDX[kSpriteCount];
std::int32_t SpriteDY[kSpriteCount];
std::uint32_t RandomState = 0;

std::uint32_t millisecondsSinceMidnightUtc()
{
    using namespace std::chrono;
    const auto now = time_point_cast<milliseconds>(system_clock::now()); // UTC
    const auto sinceMidnight = now - floor<days>(now);
    return static_cast<std::uint32_t>(sinceMidnight.count());
}

void SeedFromClock()
{
    RandomState = millisecondsSinceMidnightUtc();
}

std::int32_t RandomBelow(std::int32_t n)
{
    RandomState = RandomState * 134775813u + 1u;
    const std::uint64_t product =
        std::uint64_t(static_cast<std::uint32_t>(n)) * std::uint64_t(RandomState);
    return static_cast<std::int32_t>(product >> 32);
}

void ScatterSprites()
{
    for (int i = 0; i < kSpriteCount; ++i) {
        SpriteX[i] = RandomBelow(FieldBitmap::kWidth);
        SpriteY[i] = RandomBelow(FieldBitmap::kHeight);
        SpriteTile[i] = RandomBelow(5) + kFirstCraftTile;
        SpriteDX[i] = RandomBelow(8) * 2 - 7;
        SpriteDY[i] = RandomBelow(4) * 2 - 3;
    }
}

std::unique_ptr<FieldBitmap> NewBlueField()
{
    auto field = std::make_unique<FieldBitmap>();
    field->setBrushColor(clBlue);
    field->fillRect({0, 0, FieldBitmap::kWidth, FieldBitmap::kHeight});
    // Then the brush every new picture starts with: a frame that clears the field before
    // anything has set the brush clears it white.
    field->setBrushColor(clWhite);
    return field;
}

void MoveSprite(int i)
{
    std::int32_t x = SpriteX[i] + SpriteDX[i];
    if (x < 0) {
        x = -x;
        SpriteDX[i] = -SpriteDX[i];
    }
    if (x > kRightWall) {
        x = 2 * kRightWall - x;
        SpriteDX[i] = -SpriteDX[i];
    }
    SpriteX[i] = x;

    std::int32_t y = SpriteY[i] + SpriteDY[i];
    if (y < 0) {
        y = -y;
        SpriteDY[i] = -SpriteDY[i];
    }
    if (y > kBottomWall) {
        y = 2 * kBottomWall - y;
        SpriteDY[i] = -SpriteDY[i];
    }
    SpriteY[i] = y;
}

void SpriteStep(FieldBitmap &field, const SpriteSheets &sheets)
{
    field.fillRect({0, 0, FieldBitmap::kWidth, FieldBitmap::kHeight});
    for (int i = 0; i < kSpriteCount; ++i) {
        MoveSprite(i);
        DrawTile(field, sheets, SpriteX[i], SpriteY[i], SpriteTile[i]);
    }
}
