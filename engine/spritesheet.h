// The two 480 x 32 sprite sheets (mask and colour, fifteen 32 x 32 tiles each) and
// DrawTile, which puts one tile into the field transparently.
#pragma once

#include "fieldbitmap.h"

#include <array>
#include <cstdint>
#include <span>

constexpr int kTileSize = 32;
constexpr int kTileCount = 15;
constexpr int kSheetWidth = kTileSize * kTileCount;
constexpr int kSheetHeight = kTileSize;
constexpr int kFirstCraftTile = 10; // tiles 0..9 are the digits

struct SpriteSheet
{
    std::array<std::uint32_t, kSheetWidth * kSheetHeight> pixels{};

    PixelView view() const { return {pixels.data(), kSheetWidth, kSheetHeight}; }
    std::uint32_t pixel(int x, int y) const { return pixels[y * kSheetWidth + x]; }
};

struct SpriteSheets
{
    SpriteSheet mask;   // black where a tile is opaque, white elsewhere
    SpriteSheet colour; // the picture where opaque, black elsewhere
};

// Decodes a sheet from the bytes of a BMP file: 480 x 32, 4 bits per pixel, uncompressed,
// with its colour table (the kind the asset generator writes). Throws std::runtime_error
// naming the fault for anything else.
SpriteSheet sheetFromBmp(std::span<const unsigned char> bytes);

// The sheets built into the program, decoded once; throws std::runtime_error if one of
// them is unreadable.
const SpriteSheets &builtInSheets();

// AND copy of the mask tile, then OR copy of the colour tile, at (x, y) of the field.
// Leaves the field's copy mode at SrcPaint.
void DrawTile(FieldBitmap &field, const SpriteSheets &sheets, int x, int y, int tile);
