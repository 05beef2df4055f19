// plovex-genassets: turns the text artwork into the two sprite sheets and the window icon.
//
//   plovex-genassets ARTWORK_FILE OUTPUT_DIR
//
// writes OUTPUT_DIR/sheet-mask.bmp, OUTPUT_DIR/sheet-colour.bmp and OUTPUT_DIR/plovex.ico.
// The tiles in the artwork hold only their coloured shapes; the mask and the black outline
// are derived here, so every tile follows the mask/colour rules by construction. The icon
// is drawn complete, outline included, and is written as drawn.
//
// No Qt: this is a build-host tool, and its output must not depend on any image library.

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kTile = 32;
constexpr int kTileCount = 15;
constexpr int kSheetWidth = kTile * kTileCount;
constexpr int kTransparent = -1;
constexpr int kBlack = 0;
constexpr int kWhite = 15;

struct Rgb
{
    std::uint8_t r, g, b;
};

// The standard 16-colour set, in colour-table order.
constexpr std::array<Rgb, 16> kPalette{{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

// One character per colour-table index: lower case for the dark colours, capitals for the
// bright ones. '.' is transparent.
constexpr std::string_view kColourChars = "kmgonptseRLYBFAW";

using Grid = std::array<std::array<int, kTile>, kTile>; // colour index or kTransparent

struct Artwork
{
    std::array<std::optional<Grid>, kTileCount> tiles;
    std::optional<Grid> icon;
};

class ArtworkError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string &file, int line, const std::string &what)
{
    throw ArtworkError(file + ":" + std::to_string(line) + ": " + what);
}

int colourIndex(char c)
{
    if (c == '.')
        return kTransparent;
    const auto pos = kColourChars.find(c);
    return pos == std::string_view::npos ? -2 : static_cast<int>(pos);
}

// "tile N" with N in 0..14, or -1 for anything else.
int tileHeader(const std::string &line)
{
    if (line.rfind("tile ", 0) != 0)
        return -1;
    const std::string number = line.substr(5);
    if (number.empty() || number.size() > 2 ||
        number.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    const int n = std::stoi(number);
    return n < kTileCount ? n : -1;
}

Artwork readArtwork(const std::string &file)
{
    std::ifstream in(file);
    if (!in)
        throw ArtworkError("cannot open " + file);

    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        lines.push_back(line);
    }

    Artwork art;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string &line = lines[i];
        const int lineNo = static_cast<int>(i) + 1;
        if (line.empty() || line[0] == '#')
            continue;

        std::optional<Grid> *slot = nullptr;
        if (line == "icon") {
            slot = &art.icon;
        } else if (const int t = tileHeader(line); t >= 0) {
            slot = &art.tiles[t];
        } else {
            fail(file, lineNo,
                 "expected \"tile N\" (N = 0..14) or \"icon\", found \"" + line + "\"");
        }
        if (slot->has_value())
            fail(file, lineNo, "\"" + line + "\" appears twice");

        Grid grid{};
        for (int y = 0; y < kTile; ++y) {
            const std::size_t at = i + 1 + y;
            if (at >= lines.size() || lines[at].size() != kTile)
                fail(file, static_cast<int>(at) + 1,
                     "\"" + line + "\" needs 32 rows of exactly 32 characters");
            for (int x = 0; x < kTile; ++x) {
                const int index = colourIndex(lines[at][x]);
                if (index == -2)
                    fail(file, static_cast<int>(at) + 1,
                         std::string("unknown colour character '") + lines[at][x] + "'");
                grid[y][x] = index;
            }
        }
        *slot = grid;
        i += kTile;
    }

    for (int t = 0; t < kTileCount; ++t)
        if (!art.tiles[t])
            throw ArtworkError(file + ": tile " + std::to_string(t) + " is missing");
    if (!art.icon)
        throw ArtworkError(file + ": the icon is missing");
    return art;
}

struct Sheets
{
    std::vector<int> mask = std::vector<int>(kSheetWidth * kTile, kWhite);
    std::vector<int> colour = std::vector<int>(kSheetWidth * kTile, kBlack);
};

// Mask = the shape grown by one pixel left, right, up and down; colour = the shape's own
// colours, black on that one-pixel ring and wherever the mask is white.
Sheets buildSheets(const Artwork &art)
{
    Sheets sheets;
    for (int t = 0; t < kTileCount; ++t) {
        const Grid &g = *art.tiles[t];
        const auto inShape = [&g](int x, int y) {
            return x >= 0 && x < kTile && y >= 0 && y < kTile && g[y][x] != kTransparent;
        };
        for (int y = 0; y < kTile; ++y) {
            for (int x = 0; x < kTile; ++x) {
                // An outline cut off by the tile's edge would leave the picture unframed.
                if (inShape(x, y) && (x == 0 || y == 0 || x == kTile - 1 || y == kTile - 1))
                    throw ArtworkError("tile " + std::to_string(t) +
                                       " touches the tile's edge, leaving no room for its outline");
                const bool opaque = inShape(x, y) || inShape(x - 1, y) || inShape(x + 1, y) ||
                                    inShape(x, y - 1) || inShape(x, y + 1);
                const int at = y * kSheetWidth + t * kTile + x;
                sheets.mask[at] = opaque ? kBlack : kWhite;
                sheets.colour[at] = inShape(x, y) ? g[y][x] : kBlack;
            }
        }
    }
    return sheets;
}

class Bytes
{
public:
    void u8(unsigned v) { m_data.push_back(static_cast<char>(v & 0xFF)); }
    void u16(unsigned v)
    {
        u8(v);
        u8(v >> 8);
    }
    void u32(std::uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    std::size_t size() const { return m_data.size(); }
    const std::string &data() const { return m_data; }

private:
    std::string m_data;
};

void writeInfoHeader(Bytes &out, int width, int height, std::uint32_t imageSize,
                     std::uint32_t pixelsPerMetre, std::uint32_t coloursUsed)
{
    out.u32(40);
    out.u32(static_cast<std::uint32_t>(width));
    out.u32(static_cast<std::uint32_t>(height)); // positive: rows stored bottom-up
    out.u16(1);                                  // planes
    out.u16(4);                                  // bits per pixel
    out.u32(0);                                  // BI_RGB, uncompressed
    out.u32(imageSize);
    out.u32(pixelsPerMetre);
    out.u32(pixelsPerMetre);
    out.u32(coloursUsed);
    out.u32(0); // all colours important
}

void writeColourTable(Bytes &out)
{
    for (const Rgb &c : kPalette) {
        out.u8(c.b);
        out.u8(c.g);
        out.u8(c.r);
        out.u8(0);
    }
}

// 4 bits per pixel, high nibble first, bottom row first, rows padded to 4 bytes.
void writeNibbleRows(Bytes &out, const std::vector<int> &indices, int width, int height)
{
    const int rowBytes = (width * 4 + 31) / 32 * 4;
    for (int y = height - 1; y >= 0; --y) {
        for (int b = 0; b < rowBytes; ++b) {
            const int x = 2 * b;
            const int hi = x < width ? indices[y * width + x] : 0;
            const int lo = x + 1 < width ? indices[y * width + x + 1] : 0;
            out.u8(static_cast<unsigned>(hi << 4 | lo));
        }
    }
}

Bytes sheetBmp(const std::vector<int> &indices)
{
    constexpr std::uint32_t kHeaders = 14 + 40 + 16 * 4;
    constexpr std::uint32_t kImageSize = kSheetWidth / 2 * kTile;
    Bytes out;
    out.u8('B');
    out.u8('M');
    out.u32(kHeaders + kImageSize);
    out.u32(0); // two reserved words
    out.u32(kHeaders);
    writeInfoHeader(out, kSheetWidth, kTile, kImageSize, 3780, 16);
    writeColourTable(out);
    writeNibbleRows(out, indices, kSheetWidth, kTile);
    return out;
}

Bytes iconIco(const Grid &icon)
{
    constexpr std::uint32_t kXorSize = kTile / 2 * kTile;
    constexpr std::uint32_t kAndSize = kTile / 8 * kTile;
    constexpr std::uint32_t kImageBytes = 40 + 16 * 4 + kXorSize + kAndSize;
    Bytes out;
    out.u16(0); // ICONDIR: reserved, type 1 = icon, one image
    out.u16(1);
    out.u16(1);
    out.u8(kTile); // ICONDIRENTRY
    out.u8(kTile);
    out.u8(16); // colours
    out.u8(0);
    out.u16(1); // planes
    out.u16(4); // bits per pixel
    out.u32(kImageBytes);
    out.u32(6 + 16);
    // The image's height counts the colour image and the AND mask stacked.
    writeInfoHeader(out, kTile, 2 * kTile, kXorSize + kAndSize, 0, 0);
    writeColourTable(out);

    std::vector<int> colours(kTile * kTile);
    for (int y = 0; y < kTile; ++y)
        for (int x = 0; x < kTile; ++x)
            colours[y * kTile + x] = icon[y][x] == kTransparent ? kBlack : icon[y][x];
    writeNibbleRows(out, colours, kTile, kTile);

    for (int y = kTile - 1; y >= 0; --y) { // AND mask: 1 = transparent, leftmost pixel = MSB
        for (int b = 0; b < kTile / 8; ++b) {
            unsigned bits = 0;
            for (int i = 0; i < 8; ++i)
                bits = bits << 1 | (icon[y][8 * b + i] == kTransparent ? 1u : 0u);
            out.u8(bits);
        }
    }
    return out;
}

void writeFile(const std::filesystem::path &path, const Bytes &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data().data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::cerr << "usage: " << (argc > 0 ? argv[0] : "plovex-genassets")
                  << " ARTWORK_FILE OUTPUT_DIR\n";
        return 2;
    }
    try {
        const Artwork art = readArtwork(argv[1]);
        const Sheets sheets = buildSheets(art);
        const std::filesystem::path dir = argv[2];
        std::filesystem::create_directories(dir);
        writeFile(dir / "sheet-mask.bmp", sheetBmp(sheets.mask));
        writeFile(dir / "sheet-colour.bmp", sheetBmp(sheets.colour));
        writeFile(dir / "plovex.ico", iconIco(*art.icon));
    } catch (const std::exception &e) {
        std::cerr << "plovex-genassets: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
