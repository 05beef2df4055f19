// The committed artwork: file layouts, the mask/colour rules that make DrawTile exact, where
// each picture sits in its tile, the icon, and that the generator still reproduces the files.
#include "colour.h"
#include "fieldbitmap.h"
#include "spritesheet.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <bitset>

namespace {

constexpr std::array<TColor, 16> kColourTable{
    clBlack, clMaroon, clGreen, clOlive,  clNavy, clPurple,  clTeal, clSilver,
    clGray,  clRed,    clLime,  clYellow, clBlue, clFuchsia, clAqua, clWhite,
};

QByteArray readResource(const QString &name)
{
    QFile file(QStringLiteral(":/assets/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Field
{
    const char *name;
    int offset;
    int size; // bytes, little endian
    quint32 value;
};

// The fields that differ from `expected`, as text; empty if all match.
QString headerMismatches(const QByteArray &bytes, std::initializer_list<Field> expected)
{
    QString out;
    for (const Field &f : expected) {
        quint32 v = 0;
        for (int i = f.size - 1; i >= 0; --i)
            v = v << 8 | quint8(bytes[f.offset + i]);
        if (v != f.value)
            out += QStringLiteral("%1 is %2, not %3; ").arg(f.name).arg(v).arg(f.value);
    }
    return out;
}

QString colourTableMismatches(const QByteArray &bytes, int offset)
{
    QString out;
    for (int i = 0; i < 16; ++i) {
        const quint32 bgr0 = qFromLittleEndian<quint32>(bytes.constData() + offset + 4 * i);
        if (bgr0 != kColourTable[i])
            out += QStringLiteral("entry %1 is %2; ").arg(i).arg(bgr0, 8, 16, QLatin1Char('0'));
    }
    return out;
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

QString spanText(const Shape &s, bool rows)
{
    const auto [first, last] = span(s, rows);
    return QStringLiteral("%1 to %2").arg(first).arg(last);
}

// Sorted, as hex, so that a failed comparison shows the colours.
QString colourList(const QSet<TColor> &colours)
{
    QList<TColor> sorted(colours.begin(), colours.end());
    std::sort(sorted.begin(), sorted.end());
    QStringList out;
    for (TColor c : sorted)
        out << QStringLiteral("%1").arg(c, 6, 16, QLatin1Char('0'));
    return out.join(QLatin1Char(' '));
}

void addTileRows()
{
    QTest::addColumn<int>("tile");
    for (int t = 0; t < kTileCount; ++t)
        QTest::addRow("tile %d", t) << t;
}

} // namespace

class TestAssets : public QObject
{
    Q_OBJECT
private slots:
    void sheetFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("mask") << QStringLiteral("sheet-mask.bmp");
        QTest::newRow("colour") << QStringLiteral("sheet-colour.bmp");
    }
    void sheetFiles()
    {
        QFETCH(QString, name);
        const QByteArray bytes = readResource(name);
        QCOMPARE(bytes.size(), 7798);
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        const QString wrong = headerMismatches(bytes, {{"file size", 2, 4, 7798},
                                                       {"reserved", 6, 4, 0},
                                                       {"pixel offset", 10, 4, 118},
                                                       {"header size", 14, 4, 40},
                                                       {"width", 18, 4, 480},
                                                       {"height", 22, 4, 32},
                                                       {"planes", 26, 2, 1},
                                                       {"bits per pixel", 28, 2, 4},
                                                       {"compression", 30, 4, 0},
                                                       {"image size", 34, 4, 7680},
                                                       {"x pixels/m", 38, 4, 3780},
                                                       {"y pixels/m", 42, 4, 3780},
                                                       {"colours used", 46, 4, 16},
                                                       {"colours important", 50, 4, 0}});
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        const QString table = colourTableMismatches(bytes, 54);
        QVERIFY2(table.isEmpty(), qPrintable(table));
    }

    void iconFile()
    {
        const QByteArray bytes = readResource(QStringLiteral("plovex.ico"));
        QCOMPARE(bytes.size(), 766);
        const QString wrong = headerMismatches(bytes, {{"reserved", 0, 2, 0},
                                                       {"type", 2, 2, 1},
                                                       {"count", 4, 2, 1},
                                                       {"width", 6, 1, 32},
                                                       {"height", 7, 1, 32},
                                                       {"colours", 8, 1, 16},
                                                       {"entry reserved", 9, 1, 0},
                                                       {"entry planes", 10, 2, 1},
                                                       {"entry bits", 12, 2, 4},
                                                       {"bytes", 14, 4, 744},
                                                       {"offset", 18, 4, 22},
                                                       {"header size", 22, 4, 40},
                                                       {"bitmap width", 26, 4, 32},
                                                       {"bitmap height", 30, 4, 64},
                                                       {"planes", 34, 2, 1},
                                                       {"bits", 36, 2, 4},
                                                       {"compression", 38, 4, 0}});
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        const QString table = colourTableMismatches(bytes, 62);
        QVERIFY2(table.isEmpty(), qPrintable(table));

        // Transparent pixels (AND bit set) carry index 0 in the colour image.
        const char *xorRows = bytes.constData() + 126;
        const char *andRows = xorRows + 32 * 16;
        for (int row = 0; row < 32; ++row)
            for (int x = 0; x < 32; ++x) {
                const bool clear = quint8(andRows[row * 4 + x / 8]) & (0x80 >> (x % 8));
                const int index = quint8(xorRows[row * 16 + x / 2]) >> (x % 2 ? 0 : 4) & 0xF;
                QVERIFY2(!clear || index == 0,
                         qPrintable(QStringLiteral("stored row %1, column %2").arg(row).arg(x)));
            }
    }

    // What makes DrawTile exact: a pure black/white mask, a colour sheet black wherever the
    // mask is white, and the mask equal to the coloured shape grown by one pixel.
    void tileRules_data() { addTileRows(); }
    void tileRules()
    {
        QFETCH(int, tile);
        const SpriteSheets &sheets = builtInSheets();
        for (int y = 0; y < kTileSize; ++y)
            for (int x = kTileSize * tile; x < kTileSize * (tile + 1); ++x) {
                const std::uint32_t m = sheets.mask.pixel(x, y);
                const QByteArray at = QStringLiteral("at (%1, %2)").arg(x).arg(y).toLatin1();
                QVERIFY2(m == toPixel(clBlack) || m == toPixel(clWhite), at);
                QVERIFY2(m == toPixel(clBlack) || sheets.colour.pixel(x, y) == toPixel(clBlack),
                         at);
            }
        const Shape diff = opaqueInMask(tile) ^ grownByOne(colouredInColour(tile));
        const auto [firstRow, lastRow] = span(diff, true);
        QVERIFY2(diff.none(), qPrintable(QStringLiteral("%1 pixels differ in rows %2 to %3")
                                             .arg(diff.count())
                                             .arg(firstRow)
                                             .arg(lastRow)));
    }

    // Where each picture sits (coloured rows; the outline adds one row each way) and which
    // colours it uses. -1 leaves the columns free.
    void tilePlacement_data()
    {
        QTest::addColumn<int>("tile");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("bottom");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        QTest::addColumn<QList<TColor>>("colours");
        for (int d = 0; d <= 9; ++d)
            QTest::addRow("digit %d", d)
                << d << 6 << (d == 5 ? 28 : 27) << -1 << -1 << QList<TColor>{clYellow};
        QTest::newRow("tall craft") << 10 << 3 << 28 << 1 << 30
                                    << QList<TColor>{clRed, clBlue, clWhite, clMaroon, clYellow};
        QTest::newRow("disc") << 11 << 1 << 20 << -1 << -1
                              << QList<TColor>{clLime, clWhite, clNavy, clAqua};
        QTest::newRow("oval, corner dots")
            << 12 << 3 << 27 << -1 << -1 << QList<TColor>{clAqua, clRed, clWhite};
        QTest::newRow("ellipse") << 13 << 11 << 21 << 2 << 29 << QList<TColor>{clRed, clWhite};
        QTest::newRow("bar and pods")
            << 14 << 9 << 22 << -1 << -1 << QList<TColor>{clRed, clPurple, clAqua, clWhite};
    }
    void tilePlacement()
    {
        QFETCH(int, tile);
        QFETCH(int, top);
        QFETCH(int, bottom);
        QFETCH(int, left);
        QFETCH(int, right);
        QFETCH(QList<TColor>, colours);

        const Shape coloured = colouredInColour(tile);
        const auto rows = [](int a, int b) { return QStringLiteral("%1 to %2").arg(a).arg(b); };
        QCOMPARE(spanText(coloured, true), rows(top, bottom));
        QCOMPARE(spanText(opaqueInMask(tile), true), rows(top - 1, bottom + 1));
        if (left >= 0)
            QCOMPARE(spanText(coloured, false), rows(left, right));
        const auto [first, last] = span(coloured, false);
        if (tile <= 9) // digits are centred across the tile
            QVERIFY2(qAbs(first + last - (kTileSize - 1)) <= 1,
                     qPrintable(QStringLiteral("columns %1 to %2").arg(first).arg(last)));

        QSet<TColor> used;
        const SpriteSheet &sheet = builtInSheets().colour;
        for (int y = 0; y < kTileSize; ++y)
            for (int x = 0; x < kTileSize; ++x)
                if (coloured[y * kTileSize + x])
                    used.insert(sheet.pixel(kTileSize * tile + x, y) & 0xFFFFFF);
        QCOMPARE(colourList(used), colourList(QSet<TColor>(colours.begin(), colours.end())));
    }

    // Drawn in the middle of a field of a colour the table lacks, no pixel of the picture may
    // touch the field: the black outline closes all round, also where a tile's edge is near.
    void drawnTileIsFramedInBlack_data() { addTileRows(); }
    void drawnTileIsFramedInBlack()
    {
        QFETCH(int, tile);
        constexpr TColor kField = 0x336699;
        constexpr int x0 = 200, y0 = 100;
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
                QVERIFY2(!isField(x - 1, y) && !isField(x + 1, y) && !isField(x, y - 1) &&
                             !isField(x, y + 1),
                         qPrintable(QStringLiteral("tile pixel (%1, %2)").arg(x - x0).arg(y - y0)));
            }
        QVERIFY(picture > 0);
    }

    void icon()
    {
        QVERIFY(QImageReader::supportedImageFormats().contains("ico"));
        const QImage image =
            QImage(QStringLiteral(":/assets/plovex.ico")).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(32, 32));
        QSet<TColor> used;
        for (int y = 0; y < 32; ++y) {
            int opaque = 0;
            for (int x = 0; x < 32; ++x) {
                const QRgb p = image.pixel(x, y);
                if (qAlpha(p) == 0)
                    continue;
                QCOMPARE(qAlpha(p), 255);
                ++opaque;
                used.insert(p & 0xFFFFFF);
            }
            if (y >= 22)
                QVERIFY2(opaque == 0, qPrintable(QStringLiteral("row %1").arg(y)));
            else
                QVERIFY2(opaque > 0, qPrintable(QStringLiteral("row %1").arg(y)));
        }
        for (int x = 0; x < 32; ++x) // the black line that closes the hull
            QCOMPARE(image.pixel(x, 16), qRgb(0, 0, 0));
        QCOMPARE(colourList(used),
                 colourList({clBlack, clLime, clWhite, clRed, clFuchsia, clAqua}));
    }

    // The committed files must be what the artwork source produces today.
    void generatorReproducesCommittedFiles()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QProcess generator;
        generator.start(QStringLiteral(PLOVEX_GENASSETS),
                        {QStringLiteral(PLOVEX_ARTWORK), dir.path()});
        QVERIFY(generator.waitForFinished(30000));
        QVERIFY2(generator.exitStatus() == QProcess::NormalExit && generator.exitCode() == 0,
                 generator.readAllStandardError().constData());
        for (const char *name : {"sheet-mask.bmp", "sheet-colour.bmp", "plovex.ico"}) {
            QFile made(dir.filePath(QLatin1String(name)));
            QVERIFY(made.open(QIODevice::ReadOnly));
            QVERIFY2(made.readAll() == readResource(QLatin1String(name)),
                     qPrintable(QStringLiteral("%1 is out of date: build regenerate-assets")
                                    .arg(QLatin1String(name))));
        }
    }
};

QTEST_MAIN(TestAssets)
#include "test_assets.moc"
