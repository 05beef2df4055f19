#include "spritesheet.h"

#include <stdexcept>
#include <string>

// The built-in sheets' file bytes, embedded at build time (cmake/embed.cmake).
extern const unsigned char kSheetMaskBmp[];
extern const std::size_t kSheetMaskBmpSize;
extern const unsigned char kSheetColourBmp[];
extern const std::size_t kSheetColourBmpSize;

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr int kBitsPerPixel = 4;
constexpr std::uint32_t kMaxColours = 1u << kBitsPerPixel;

std::uint32_t readLE(std::span<const unsigned char> bytes, std::size_t at, int size)
{
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = v << 8 | bytes[at + std::size_t(i)];
    return v;
}

[[noreturn]] void reject(const std::string &fault)
{
    throw std::runtime_error("not a sprite sheet: " + fault);
}

void expect(std::uint32_t value, std::uint32_t wanted, const char *what)
{
    if (value != wanted)
        reject(std::string(what) + " is " + std::to_string(value) + ", not " +
               std::to_string(wanted));
}

} // namespace

SpriteSheet sheetFromBmp(std::span<const unsigned char> bytes)
{
    if (bytes.size() < kFileHeaderSize + kInfoHeaderSize)
        reject("the file is shorter than its headers");
    if (bytes[0] != 'B' || bytes[1] != 'M')
        reject("the file does not start with BM");
    const std::uint32_t pixelOffset = readLE(bytes, 10, 4);
    expect(readLE(bytes, 14, 4), kInfoHeaderSize, "the info header size");
    expect(readLE(bytes, 18, 4), kSheetWidth, "the width");
    // Signed: a negative height would store the rows top-down, which no sheet does.
    const auto height = static_cast<std::int32_t>(readLE(bytes, 22, 4));
    if (height != kSheetHeight)
        reject("the height is " + std::to_string(height) + ", not " + std::to_string(kSheetHeight));
    expect(readLE(bytes, 26, 2), 1, "the plane count");
    expect(readLE(bytes, 28, 2), kBitsPerPixel, "the bits per pixel");
    expect(readLE(bytes, 30, 4), 0, "the compression");
    std::uint32_t colours = readLE(bytes, 46, 4);
    if (colours == 0)
        colours = kMaxColours;
    if (colours > kMaxColours)
        reject("the colour table has " + std::to_string(colours) + " entries");

    const std::size_t tableAt = kFileHeaderSize + kInfoHeaderSize;
    const std::size_t rowBytes = (kSheetWidth * kBitsPerPixel + 31) / 32 * 4;
    if (pixelOffset < tableAt + 4 * colours)
        reject("the pixels start at byte " + std::to_string(pixelOffset) +
               ", inside the headers or the colour table");
    if (bytes.size() < std::size_t(pixelOffset) + rowBytes * kSheetHeight)
        reject("the file is shorter than its pixels");

    std::array<std::uint32_t, kMaxColours> table{};
    for (std::uint32_t i = 0; i < colours; ++i) // blue, green, red, unused
        table[i] = 0xFF000000u | (readLE(bytes, tableAt + 4 * i, 3) & 0xFFFFFFu);

    SpriteSheet sheet;
    for (int row = 0; row < kSheetHeight; ++row) {
        const int y = kSheetHeight - 1 - row; // bottom row first
        const std::size_t at = pixelOffset + rowBytes * std::size_t(row);
        for (int x = 0; x < kSheetWidth; ++x) {
            const unsigned byte = bytes[at + std::size_t(x / 2)];
            const unsigned index = x % 2 == 0 ? byte >> 4 : byte & 0xFu; // high nibble first
            if (index >= colours)
                reject("pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") has colour " +
                       std::to_string(index) + ", past the table");
            sheet.pixels[std::size_t(y * kSheetWidth + x)] = table[index];
        }
    }
    return sheet;
}

namespace {

SpriteSheet builtInSheet(const unsigned char *bytes, std::size_t size, const char *name)
{
    try {
        return sheetFromBmp({bytes, size});
    } catch (const std::runtime_error &e) {
        throw std::runtime_error(std::string("cannot load the built-in picture ") + name + ": " +
                                 e.what());
    }
}

} // namespace

const SpriteSheets &builtInSheets()
{
    static const SpriteSheets sheets{
        builtInSheet(kSheetMaskBmp, kSheetMaskBmpSize, "sheet-mask.bmp"),
        builtInSheet(kSheetColourBmp, kSheetColourBmpSize, "sheet-colour.bmp")};
    return sheets;
}

void DrawTile(FieldBitmap &field, const SpriteSheets &sheets, int x, int y, int tile)
{
    static_assert(FieldBitmap::kTile == kTileSize);
    // Nearly every tile lies wholly inside the field: one pass, no clipping. The result
    // is the same as the two copies below, which handle the rest.
    if (x >= 0 && y >= 0 && x <= FieldBitmap::kWidth - kTileSize &&
        y <= FieldBitmap::kHeight - kTileSize && tile >= 0 && tile < kTileCount) {
        const std::size_t offset = std::size_t(kTileSize * tile);
        field.andOrTile(x, y, sheets.mask.pixels.data() + offset,
                        sheets.colour.pixels.data() + offset, kSheetWidth);
        return;
    }
    const TRect source{kTileSize * tile, 0, kTileSize * tile + kTileSize, kTileSize};
    field.setCopyMode(CopyMode::SrcAnd);
    field.copyRect(x, y, sheets.mask.view(), source);
    field.setCopyMode(CopyMode::SrcPaint);
    field.copyRect(x, y, sheets.colour.view(), source);
}
