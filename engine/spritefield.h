// The 64 bouncing sprites: their process-wide state, the generator that scatters
// them at every run start, the fresh field, and the per-frame move and draw.
#pragma once

#include "fieldbitmap.h"
#include "spritesheet.h"

#include <cstdint>
#include <memory>

constexpr int kSpriteCount = 64;
constexpr int kRightWall = FieldBitmap::kWidth - kTileSize;   // 480
constexpr int kBottomWall = FieldBitmap::kHeight - kTileSize; // 280

extern std::int32_t SpriteX[kSpriteCount];
extern std::int32_t SpriteY[kSpriteCount];
extern std::int32_t SpriteTile[kSpriteCount];
extern std::int32_t SpriteDX[kSpriteCount];
extern std::int32_t SpriteDY[kSpriteCount];
extern std::uint32_t RandomState;

// Milliseconds since midnight UTC, 0..86,399,999.
std::uint32_t millisecondsSinceMidnightUtc();
void SeedFromClock();

// One step of the 32-bit LCG; returns floor(n * state / 2^32), in 0..n-1 for n >= 1.
std::int32_t RandomBelow(std::int32_t n);

// 320 draws, five per sprite in the order X, Y, tile, DX, DY.
void ScatterSprites();

// A new all-blue field whose brush is white, as every run starts with.
std::unique_ptr<FieldBitmap> NewBlueField();

// Moves one sprite by its steps, mirroring an overshoot about the wall it crossed.
void MoveSprite(int i);

// Clears the field with its brush, then moves and draws the sprites in index order.
void SpriteStep(FieldBitmap &field, const SpriteSheets &sheets);
