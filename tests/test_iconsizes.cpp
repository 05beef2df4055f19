// The theme icons the desktop install ships: each is the 32 x 32 window icon scaled by
// nearest neighbour, so every pixel, transparency included, is one of the icon's own pixels
// at that place, and none is a blend.
#include <QImage>
#include <QString>
#include <QTest>

#include <algorithm>

namespace {

// The icon's pixels at the given output pixel's footprint: x0..x1, y0..y1 inclusive.
struct Footprint
{
    int x0, y0, x1, y1;
};

Footprint footprint(int x, int y, int size, int iconSize)
{
    auto first = [&](int v) { return v * iconSize / size; };
    auto last = [&](int v) {
        return std::min(((v + 1) * iconSize + size - 1) / size, iconSize) - 1;
    };
    return {first(x), first(y), last(x), last(y)};
}

} // namespace

class TestIconSizes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_icon =
            QImage(QStringLiteral(":/assets/plovex.ico")).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(m_icon.size(), QSize(32, 32));
        // The comparison below only means something if the icon has both kinds of pixel.
        QCOMPARE(qAlpha(m_icon.pixel(0, 31)), 0);
        QCOMPARE(qAlpha(m_icon.pixel(16, 14)), 255);
    }

    void everyPixelIsTheIconsPixelAtItsPlace_data()
    {
        QTest::addColumn<int>("size");
        const QStringList sizes = QStringLiteral(PLOVEX_ICON_SIZES).split(QLatin1Char(','));
        QVERIFY2(sizes.contains(QStringLiteral("32")), "the 32 x 32 icon itself must be shipped");
        for (const QString &size : sizes)
            QTest::addRow("%sx%s", qPrintable(size), qPrintable(size)) << size.toInt();
    }

    void everyPixelIsTheIconsPixelAtItsPlace()
    {
        QFETCH(int, size);
        const QString path = QStringLiteral(PLOVEX_ICON_DIR "/%1x%1/apps/plovex.png").arg(size);
        const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!image.isNull(), qPrintable(path + QStringLiteral(" is unreadable")));
        QCOMPARE(image.size(), QSize(size, size));
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const Footprint f = footprint(x, y, size, m_icon.width());
                const QRgb p = image.pixel(x, y);
                bool found = false;
                for (int iy = f.y0; iy <= f.y1 && !found; ++iy)
                    for (int ix = f.x0; ix <= f.x1 && !found; ++ix)
                        found = m_icon.pixel(ix, iy) == p;
                if (!found)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is #%3, not the icon's pixel at "
                                                    "%4,%5..%6,%7")
                                         .arg(x)
                                         .arg(y)
                                         .arg(p, 8, 16, QLatin1Char('0'))
                                         .arg(f.x0)
                                         .arg(f.y0)
                                         .arg(f.x1)
                                         .arg(f.y1)));
            }
        }
    }

private:
    QImage m_icon;
};

QTEST_GUILESS_MAIN(TestIconSizes)
#include "test_iconsizes.moc"
