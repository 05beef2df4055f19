// The field's fill and raster copies, and DrawTile's transparency, on synthetic sheets.
#include "fieldbitmap.h"
#include "spritesheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t kOpaque = toPixel(clBlack);
constexpr std::uint32_t kClear = toPixel(clWhite);

// Tile t: a plus sign of colour (t + 1) * 0x10101, with a one-pixel black outline
// implied by the mask; everything else transparent.
SpriteSheets plusSheets()
{
    SpriteSheets sheets;
    for (int t = 0; t < kTileCount; ++t) {
        for (int y = 0; y < kTileSize; ++y) {
            for (int x = 0; x < kTileSize; ++x) {
                const bool arm = (x >= 12 && x < 20) || (y >= 12 && y < 20);
                const bool shape = arm && x >= 4 && x < 28 && y >= 4 && y < 28;
                const bool outline = !shape && x >= 3 && x < 29 && y >= 3 && y < 29 &&
                                     ((x >= 11 && x < 21) || (y >= 11 && y < 21));
                const int i = y * kSheetWidth + t * kTileSize + x;
                sheets.mask.pixels[i] = (shape || outline) ? kOpaque : kClear;
                sheets.colour.pixels[i] = shape ? toPixel(TColor((t + 1) * 0x10101)) : kOpaque;
            }
        }
    }
    return sheets;
}

void fill(FieldBitmap &field, TColor colour)
{
    field.setBrushColor(colour);
    field.fillRect({0, 0, FieldBitmap::kWidth, FieldBitmap::kHeight});
}

int countChanged(const FieldBitmap &a, const FieldBitmap &b)
{
    int n = 0;
    for (int i = 0; i < FieldBitmap::kWidth * FieldBitmap::kHeight; ++i)
        n += a.pixels()[i] != b.pixels()[i];
    return n;
}

} // namespace

TEST(FieldBitmap, NewFieldStartsWithWhiteBrushAndCopiesKeepPixels)
{
    FieldBitmap field;
    EXPECT_EQ(field.brushColor(), clWhite);
    fill(field, clRed);
    const FieldBitmap copy(field);
    EXPECT_EQ(copy.pixel(kFieldWidth - 1, kFieldHeight - 1), toPixel(clRed));
    EXPECT_EQ(countChanged(field, copy), 0);
    // The copy has pixels of its own.
    fill(field, clBlue);
    EXPECT_EQ(copy.pixel(0, 0), toPixel(clRed));
}

// The window and the limit program draw straight into the X server's shared images.
TEST(FieldBitmap, FieldInAStoreDrawsThereAndNowhereElse)
{
    constexpr std::uint32_t kGuard = 0x12345678u;
    std::vector<std::uint32_t> memory(FieldBitmap::kWidth * FieldBitmap::kHeight + 1, kGuard);
    const SpriteSheets sheets = plusSheets();
    FieldBitmap stored, own;
    fill(stored, clRed);
    fill(own, clRed);
    stored.useStore(memory.data(), FieldBitmap::StoreContent::KeepPixels);
    EXPECT_EQ(stored.pixels(), memory.data());
    EXPECT_EQ(countChanged(stored, own), 0);
    for (FieldBitmap *field : {&stored, &own}) {
        fill(*field, clBlue);
        DrawTile(*field, sheets, 480, 280, 12);
    }
    EXPECT_EQ(countChanged(stored, own), 0);
    EXPECT_EQ(memory.back(), kGuard);
}

TEST(FieldBitmap, FillIsClippedToTheField)
{
    FieldBitmap field;
    fill(field, clBlack);
    field.setBrushColor(clAqua);
    field.fillRect({500, 300, 600, 400});
    EXPECT_EQ(field.pixel(499, kFieldHeight - 1), toPixel(clBlack));
    EXPECT_EQ(field.pixel(500, 300), toPixel(clAqua));
    EXPECT_EQ(field.pixel(kFieldWidth - 1, kFieldHeight - 1), toPixel(clAqua));
}

TEST(FieldBitmap, TileShowsItsPictureAndLeavesTheRest)
{
    const std::pair<const char *, TColor> rows[] = {
        {"black field", clBlack}, {"band colour field", clFuchsia}, {"white field", clWhite}};
    for (const auto &[name, background] : rows) {
        SCOPED_TRACE(name);
        const SpriteSheets sheets = plusSheets();
        FieldBitmap field;
        fill(field, background);
        DrawTile(field, sheets, 100, 50, 3);
        const std::uint32_t picture = toPixel(TColor(4 * 0x10101));
        EXPECT_EQ(field.pixel(100 + 16, 50 + 16), picture);           // inside the shape
        EXPECT_EQ(field.pixel(100 + 16, 50 + 3), toPixel(clBlack));   // outline above it
        EXPECT_EQ(field.pixel(100 + 1, 50 + 1), toPixel(background)); // transparent corner
        EXPECT_EQ(field.pixel(99, 66), toPixel(background));          // just outside the tile
        EXPECT_EQ(field.copyMode(), CopyMode::SrcPaint);
    }
}

TEST(FieldBitmap, DrawingATileTwiceLooksLikeOnce)
{
    const SpriteSheets sheets = plusSheets();
    FieldBitmap once, twice;
    fill(once, clGreen);
    fill(twice, clGreen);
    DrawTile(once, sheets, 7, 9, 12);
    DrawTile(twice, sheets, 7, 9, 12);
    DrawTile(twice, sheets, 7, 9, 12);
    EXPECT_EQ(countChanged(once, twice), 0);
}

TEST(FieldBitmap, LaterTileWinsWhereOpaqueAndEarlierShowsThrough)
{
    const SpriteSheets sheets = plusSheets();
    FieldBitmap field;
    fill(field, clBlue);
    DrawTile(field, sheets, 0, 0, 1);
    DrawTile(field, sheets, 8, 0, 2);
    // (24, 16) is on tile 2's arm: tile 2 wins.
    EXPECT_EQ(field.pixel(8 + 16, 16), toPixel(TColor(3 * 0x10101)));
    // (16, 6) is on tile 1's vertical arm and in tile 2's transparent corner.
    EXPECT_EQ(field.pixel(16, 6), toPixel(TColor(2 * 0x10101)));
}

TEST(FieldBitmap, TilesAtTheEdgesStayInsideTheField)
{
    enum class Drawn { Whole, Part, None }; // how much of the tile lands on the field
    struct Row
    {
        const char *name;
        int x, y;
        Drawn drawn;
    };
    const Row rows[] = {
        {"right edge", 480, 100, Drawn::Whole},         {"bottom edge", 100, 280, Drawn::Whole},
        {"past the right edge", 500, 100, Drawn::Part}, {"above the top", 100, -20, Drawn::Part},
        {"far outside", 5000, -5000, Drawn::None},
    };
    const SpriteSheets sheets = plusSheets();
    int wholeTile = 0;
    for (int ty = 0; ty < kTileSize; ++ty)
        for (int tx = 0; tx < kTileSize; ++tx)
            wholeTile += sheets.mask.pixel(5 * kTileSize + tx, ty) == kOpaque;

    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        FieldBitmap before;
        fill(before, clYellow);
        FieldBitmap after(before);
        DrawTile(after, sheets, row.x, row.y, 5);
        const int changed = countChanged(before, after);
        switch (row.drawn) {
        case Drawn::Whole:
            EXPECT_EQ(changed, wholeTile);
            break;
        case Drawn::Part:
            EXPECT_TRUE(changed > 0 && changed < wholeTile) << changed;
            break;
        case Drawn::None:
            EXPECT_EQ(changed, 0);
            break;
        }
    }
}

// Each clear this processor has draws the same pixels, in the field's own memory and in a
// store at any alignment, and writes nothing past the field.
TEST(FieldBitmap, EveryClearMethodDrawsTheSamePixels)
{
    constexpr std::uint32_t kGuard = 0x12345678u;
    constexpr std::size_t kPixels = std::size_t(FieldBitmap::kWidth) * FieldBitmap::kHeight;
    for (ClearMethod method : {ClearMethod::PlainStores, ClearMethod::StreamingStores}) {
        setClearMethod(method);
        SCOPED_TRACE(clearMethodName(clearMethod()));
        for (std::size_t offset : {0, 1, 2, 3}) { // in words from a 16-byte boundary
            SCOPED_TRACE(offset);
            std::vector<std::uint32_t> memory(kPixels + 8, kGuard);
            auto *aligned = reinterpret_cast<std::uint32_t *>(
                (reinterpret_cast<std::uintptr_t>(memory.data()) + 15) / 16 * 16);
            std::uint32_t *store = aligned + offset;
            FieldBitmap field;
            field.useStore(store, FieldBitmap::StoreContent::Undefined);
            fill(field, clRed);
            field.setBrushColor(clAqua);
            field.fillRect({0, 100, FieldBitmap::kWidth, 103}); // whole rows, not the whole field
            for (std::size_t i = 0; i < kPixels; ++i) {
                const bool band = i / FieldBitmap::kWidth >= 100 && i / FieldBitmap::kWidth < 103;
                ASSERT_EQ(store[i], toPixel(band ? clAqua : clRed)) << "pixel " << i;
            }
            EXPECT_EQ(std::count(memory.begin(), memory.end(), kGuard),
                      std::ptrdiff_t(memory.size() - kPixels));
        }
    }
    setClearMethod(ClearMethod::PlainStores);
    EXPECT_STREQ(clearMethodName(clearMethod()), "plain stores");
    // The choice is the one every field then clears with.
    const ClearMethod chosen = chooseClearMethod();
    EXPECT_EQ(clearMethod(), chosen);
    setClearMethod(ClearMethod::PlainStores);
}

TEST(FieldBitmap, EveryDrawingOperationReportsAChange)
{
    const SpriteSheets sheets = plusSheets();
    FieldBitmap field;
    int changes = 0;
    field.setChangeHandler([](void *n) { ++*static_cast<int *>(n); }, &changes);
    field.fillRect({0, 0, 10, 10});
    EXPECT_EQ(changes, 1);
    // A tile inside the field and one that needs clipping.
    DrawTile(field, sheets, 0, 0, 0);
    EXPECT_GT(changes, 1);
    const int before = changes;
    DrawTile(field, sheets, -5, 300, 0);
    EXPECT_GT(changes, before);
}
