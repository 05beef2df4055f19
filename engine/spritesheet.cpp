#include "spritesheet.h"

#include <QImage>

#include <stdexcept>

bool sheetFromImage(const QImage &image, SpriteSheet &sheet)
{
    if (image.width() != kSheetWidth || image.height() != kSheetHeight)
        return false;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < kSheetHeight; ++y) {
        const auto *line = reinterpret_cast<const std::uint32_t *>(rgb.constScanLine(y));
        for (int x = 0; x < kSheetWidth; ++x)
            sheet.pixels[y * kSheetWidth + x] = 0xFF000000u | line[x];
    }
    return true;
}

namespace {

SpriteSheet loadSheet(const char *resource)
{
    SpriteSheet sheet;
    if (!sheetFromImage(QImage(QString::fromLatin1(resource)), sheet))
        throw std::runtime_error(std::string("cannot load the built-in picture ") + resource);
    return sheet;
}

} // namespace

const SpriteSheets &builtInSheets()
{
    static const SpriteSheets sheets{loadSheet(":/assets/sheet-mask.bmp"),
                                     loadSheet(":/assets/sheet-colour.bmp")};
    return sheets;
}

QImage sheetPicture(const SpriteSheet &sheet)
{
    return QImage(reinterpret_cast<const uchar *>(sheet.pixels.data()), kSheetWidth, kSheetHeight,
                  kSheetWidth * 4, QImage::Format_RGB32);
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
