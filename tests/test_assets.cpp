// The committed artwork: the decoder and what it refuses, the mask/colour rules that make
// DrawTile exact, where each picture sits in its tile, the icon's transparency, and that
// the generator still reproduces the files.
#include "colour.h"
#include "fieldbitmap.h"
#include "spritesheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes readFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes readAsset(const std::string &name)
{
    return readFile(std::filesystem::path(PLOVEX_ASSETS) / name);
}

void writeLE(Bytes &bytes, std::size_t offset, int size, std::uint32_t value)
{
    for (int i = 0; i < size; ++i)
        bytes[offset + std::size_t(i)] = static_cast<unsigned char>(value >> (8 * i));
}

std::string hex(std::uint32_t value)
{
    char text[8];
    const auto end = std::to_chars(std::begin(text), std::end(text), value, 16).ptr;
    return std::string(text, end);
}

using Shape = std::bitset<kTileSize * kTileSize>;

template <typename Pred> Shape tileShape(int tile, Pred inShape)
{
    Shape s;
    for (int y = 0; y < kTileSize; ++y)
        for (int x = 0; x < kTileSize; ++x)
            s[y * kTileSize + x] = inShape(kTileSize * tile + x, y);
    return s;
}

Shape opaqueInMask(int tile)
{
    const SpriteSheet &mask = builtInSheets().mask;
    return tileShape(tile, [&](int x, int y) { return mask.pixel(x, y) == toPixel(clBlack); });
}

Shape colouredInColour(int tile)
{
    const SpriteSheet &colour = builtInSheets().colour;
    return tileShape(tile, [&](int x, int y) { return colour.pixel(x, y) != toPixel(clBlack); });
}

Shape grownByOne(const Shape &s)
{
    Shape g = s;
    for (int y = 0; y < kTileSize; ++y)
        for (int x = 0; x < kTileSize; ++x)
            if (s[y * kTileSize + x]) {
                if (x > 0)
                    g[y * kTileSize + x - 1] = true;
                if (x < kTileSize - 1)
                    g[y * kTileSize + x + 1] = true;
                if (y > 0)
                    g[(y - 1) * kTileSize + x] = true;
                if (y < kTileSize - 1)
                    g[(y + 1) * kTileSize + x] = true;
            }
    return g;
}

// First and last row (or column) holding a pixel of the shape.
std::pair<int, int> span(const Shape &s, bool rows)
{
    int first = kTileSize, last = -1;
    for (int i = 0; i < kTileSize * kTileSize; ++i)
        if (s[i]) {
            const int at = rows ? i / kTileSize : i % kTileSize;
            first = std::min(first, at);
            last = std::max(last, at);
        }
    return {first, last};
}

std::string spanText(const Shape &s, bool rows)
{
    const auto [first, last] = span(s, rows);
    return std::to_string(first) + " to " + std::to_string(last);
}

// Sorted, as hex, so that a failed comparison shows the colours.
std::string colourList(const std::set<TColor> &colours)
{
    std::string out;
    for (TColor c : colours) {
        if (!out.empty())
            out += ' ';
        out += hex(c);
    }
    return out;
}

} // namespace

// The decoder reads the committed files as the built-in sheets, and refuses, with a reason,
// every file it cannot read exactly instead of drawing garbage or reading past the end.
TEST(Assets, SheetDecoder)
{
    const Bytes mask = readAsset("sheet-mask.bmp");
    ASSERT_EQ(mask.size(), 7798u);
    EXPECT_TRUE(sheetFromBmp(mask).pixels == builtInSheets().mask.pixels);
    EXPECT_TRUE(sheetFromBmp(readAsset("sheet-colour.bmp")).pixels ==
                builtInSheets().colour.pixels);

    struct Row
    {
        const char *name;
        std::size_t offset; // where the field is changed; the file is cut there if size is 0
        int size;
        std::uint32_t value;
        const char *fault; // part of the message
    };
    const Row rows[] = {
        {"empty", 0, 0, 0, "shorter than its headers"},
        {"cut in the info header", 40, 0, 0, "shorter than its headers"},
        {"cut in the pixels", 7797, 0, 0, "shorter than its pixels"},
        {"not BM", 0, 1, 'X', "BM"},
        {"a larger info header", 14, 4, 108, "info header size is 108"},
        {"479 wide", 18, 4, 479, "width is 479"},
        {"31 high", 22, 4, 31, "height is 31"},
        {"stored top-down", 22, 4, std::uint32_t(-32), "height is -32"},
        {"8 bits per pixel", 28, 2, 8, "bits per pixel is 8"},
        {"run-length encoded", 30, 4, 2, "compression is 2"},
        {"17 colours", 46, 4, 17, "17 entries"},
        {"pixels inside the colour table", 10, 4, 100, "inside the headers or the colour table"},
        // The mask uses index 15 (white): a table of 8 colours does not hold it.
        {"index past a short table", 46, 4, 8, "past the table"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Bytes bytes = mask;
        if (row.size == 0)
            bytes.resize(row.offset);
        else
            writeLE(bytes, row.offset, row.size, row.value);
        try {
            sheetFromBmp(bytes);
            ADD_FAILURE() << "decoded";
        } catch (const std::runtime_error &e) {
            EXPECT_NE(std::string(e.what()).find(row.fault), std::string::npos) << e.what();
        }
    }
}

// Windows draws an icon by ANDing its mask and XORing its colours: a transparent pixel must
// carry colour 0, or it would invert what lies beneath. (The file's layout is the
// generator's, which the last test pins; Qt's reading of it is test_pictures'.)
TEST(Assets, IconIsBlackWhereTransparent)
{
    const Bytes bytes = readAsset("plovex.ico");
    // Header, one 32 x 32 entry, its bitmap header and 16 colours, then the rows.
    const std::size_t xorOffset = 6 + 16 + 40 + 16 * 4, andOffset = xorOffset + 32 * 16;
    ASSERT_EQ(bytes.size(), andOffset + 32 * 4);
    for (int row = 0; row < 32; ++row)
        for (int x = 0; x < 32; ++x) {
            const bool clear = bytes[andOffset + std::size_t(row * 4 + x / 8)] & (0x80 >> (x % 8));
            const int index =
                bytes[xorOffset + std::size_t(row * 16 + x / 2)] >> (x % 2 ? 0 : 4) & 0xF;
            EXPECT_TRUE(!clear || index == 0) << "stored row " << row << ", column " << x;
        }
}

// What makes DrawTile exact: a pure black/white mask, a colour sheet black wherever the
// mask is white, and the mask equal to the coloured shape grown by one pixel.
TEST(Assets, TileRules)
{
    const SpriteSheets &sheets = builtInSheets();
    for (int tile = 0; tile < kTileCount; ++tile) {
        SCOPED_TRACE("tile " + std::to_string(tile));
        for (int y = 0; y < kTileSize; ++y)
            for (int x = kTileSize * tile; x < kTileSize * (tile + 1); ++x) {
                const std::uint32_t m = sheets.mask.pixel(x, y);
                ASSERT_TRUE(m == toPixel(clBlack) || m == toPixel(clWhite))
                    << "at (" << x << ", " << y << ")";
                ASSERT_TRUE(m == toPixel(clBlack) || sheets.colour.pixel(x, y) == toPixel(clBlack))
                    << "at (" << x << ", " << y << ")";
            }
        const Shape diff = opaqueInMask(tile) ^ grownByOne(colouredInColour(tile));
        const auto [firstRow, lastRow] = span(diff, true);
        EXPECT_TRUE(diff.none()) << diff.count() << " pixels differ in rows " << firstRow << " to "
                                 << lastRow;
    }
}

// Where each picture sits (coloured rows; the outline adds one row each way) and which
// colours it uses. -1 leaves the columns free.
TEST(Assets, TilePlacement)
{
    struct Row
    {
        std::string name;
        int tile, top, bottom, left, right;
        std::set<TColor> colours;
    };
    std::vector<Row> rows;
    for (int d = 0; d <= 9; ++d)
        rows.push_back({"digit " + std::to_string(d), d, 6, d == 5 ? 28 : 27, -1, -1, {clYellow}});
    rows.push_back({"tall craft", 10, 3, 28, 1, 30, {clRed, clBlue, clWhite, clMaroon, clYellow}});
    rows.push_back({"disc", 11, 1, 20, -1, -1, {clLime, clWhite, clNavy, clAqua}});
    rows.push_back({"oval, corner dots", 12, 3, 27, -1, -1, {clAqua, clRed, clWhite}});
    rows.push_back({"ellipse", 13, 11, 21, 2, 29, {clRed, clWhite}});
    rows.push_back({"bar and pods", 14, 9, 22, -1, -1, {clRed, clPurple, clAqua, clWhite}});

    const auto spanOf = [](int a, int b) { return std::to_string(a) + " to " + std::to_string(b); };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const Shape coloured = colouredInColour(row.tile);
        EXPECT_EQ(spanText(coloured, true), spanOf(row.top, row.bottom));
        EXPECT_EQ(spanText(opaqueInMask(row.tile), true), spanOf(row.top - 1, row.bottom + 1));
        if (row.left >= 0) {
            EXPECT_EQ(spanText(coloured, false), spanOf(row.left, row.right));
        }
        const auto [first, last] = span(coloured, false);
        if (row.tile <= 9) { // digits are centred across the tile
            EXPECT_LE(std::abs(first + last - (kTileSize - 1)), 1)
                << "columns " << first << " to " << last;
        }

        std::set<TColor> used;
        const SpriteSheet &sheet = builtInSheets().colour;
        for (int y = 0; y < kTileSize; ++y)
            for (int x = 0; x < kTileSize; ++x)
                if (coloured[std::size_t(y * kTileSize + x)])
                    used.insert(sheet.pixel(kTileSize * row.tile + x, y) & 0xFFFFFF);
        EXPECT_EQ(colourList(used), colourList(row.colours));
    }
}

// Drawn in the middle of a field of a colour the table lacks, no pixel of the picture may
// touch the field: the black outline closes all round, also where a tile's edge is near.
TEST(Assets, DrawnTileIsFramedInBlack)
{
    constexpr TColor kField = 0x336699;
    constexpr int x0 = 200, y0 = 100;
    for (int tile = 0; tile < kTileCount; ++tile) {
        SCOPED_TRACE("tile " + std::to_string(tile));
        FieldBitmap field;
        field.setBrushColor(kField);
        field.fillRect({0, 0, FieldBitmap::kWidth, FieldBitmap::kHeight});
        DrawTile(field, builtInSheets(), x0, y0, tile);

        const auto isField = [&](int x, int y) { return field.pixel(x, y) == toPixel(kField); };
        int picture = 0;
        for (int y = y0; y < y0 + kTileSize; ++y)
            for (int x = x0; x < x0 + kTileSize; ++x) {
                if (isField(x, y) || field.pixel(x, y) == toPixel(clBlack))
                    continue;
                ++picture;
                EXPECT_TRUE(!isField(x - 1, y) && !isField(x + 1, y) && !isField(x, y - 1) &&
                            !isField(x, y + 1))
                    << "tile pixel (" << x - x0 << ", " << y - y0 << ")";
            }
        EXPECT_GT(picture, 0);
    }
}

// The committed files must be what the artwork source produces today.
TEST(Assets, GeneratorReproducesCommittedFiles)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("plovex-assets-" + std::to_string(std::random_device{}()));
    ASSERT_TRUE(std::filesystem::create_directory(dir));
    const std::string command =
        std::string(PLOVEX_GENASSETS) + " \"" PLOVEX_ARTWORK "\" \"" + dir.string() + "\"";
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << command;
    for (const char *name : {"sheet-mask.bmp", "sheet-colour.bmp", "plovex.ico"}) {
        const Bytes made = readFile(dir / name);
        EXPECT_FALSE(made.empty()) << name;
        EXPECT_TRUE(made == readAsset(name)) << name << " is out of date: build regenerate-assets";
    }
    std::filesystem::remove_all(dir);
}
