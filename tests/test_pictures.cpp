// The built-in pictures as Qt's own image readers decode them: the window icon, and the
// sheets, which must read the same through the engine's decoder and through Qt's.
#include "colour.h"
#include "image.h"
#include "spritesheet.h"

#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QTest>

#include <algorithm>

namespace {

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

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT
private slots:
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

    void sheetsReadAlikeByBothDecoders_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("mask");
        QTest::newRow("mask") << QStringLiteral("sheet-mask.bmp") << true;
        QTest::newRow("colour") << QStringLiteral("sheet-colour.bmp") << false;
    }
    void sheetsReadAlikeByBothDecoders()
    {
        QFETCH(QString, file);
        QFETCH(bool, mask);
        const QImage byQt =
            QImage(QStringLiteral(PLOVEX_ASSETS "/") + file).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(byQt.size(), QSize(kSheetWidth, kSheetHeight));
        const SpriteSheets &sheets = builtInSheets();
        const QImage byEngine = sheetPicture(mask ? sheets.mask : sheets.colour);
        QCOMPARE(byEngine, byQt);
    }
};

QTEST_GUILESS_MAIN(TestPictures)
#include "test_pictures.moc"
