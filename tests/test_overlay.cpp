// Labels composed into the field: the same pixels as the toolkit's own source-over would
// give, wherever the label sits, partly outside the field included.
#include "overlay.h"

#include <QPainter>
#include <QTest>

namespace {

constexpr int kFieldWidth = 64;
constexpr int kFieldHeight = 40;

QImage patternedField()
{
    QImage field(kFieldWidth, kFieldHeight, QImage::Format_RGB32);
    for (int y = 0; y < kFieldHeight; ++y)
        for (int x = 0; x < kFieldWidth; ++x)
            field.setPixel(x, y, qRgb(x * 4, y * 6, (x * y) & 0xFF));
    return field;
}

// Antialiased text and a half-covering band over transparency, as a transparent label's
// picture has them.
QImage labelPicture()
{
    QImage picture(30, 16, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(255, 0, 255));
    painter.drawEllipse(QRectF(1.5, 1.5, 12, 12));
    painter.fillRect(QRect(16, 2, 10, 4), QColor(0, 0, 255));
    painter.fillRect(QRect(16, 8, 12, 6), QColor(255, 255, 0, 100));
    return picture;
}

} // namespace

class TestOverlay : public QObject
{
    Q_OBJECT

private slots:
    void blendsAsTheToolkitDoes_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::newRow("inside") << QPoint(10, 12);
        QTest::newRow("past the left and top") << QPoint(-7, -5);
        QTest::newRow("past the right and bottom") << QPoint(50, 30);
        QTest::newRow("wholly outside") << QPoint(kFieldWidth, 0);
    }
    void blendsAsTheToolkitDoes()
    {
        QFETCH(QPoint, at);
        const QImage picture = labelPicture();
        QImage expected = patternedField();
        QPainter(&expected).drawImage(at, picture);

        QImage field = patternedField();
        Overlay overlay;
        overlay.setPicture({reinterpret_cast<const std::uint32_t *>(picture.constBits()),
                            picture.width(), picture.height(), int(picture.bytesPerLine() / 4)});
        overlay.blendOver(reinterpret_cast<std::uint32_t *>(field.bits()), kFieldWidth,
                          kFieldHeight, at.x(), at.y());
        QCOMPARE(field, expected);
    }

    // Every alpha over every channel value, in runs long enough for the four-pixel path:
    // an off-by-one in the rounding shows on some of them.
    void blendsEveryAlphaOverEveryValueAsTheToolkitDoes()
    {
        QImage picture(256, 256, QImage::Format_ARGB32_Premultiplied);
        QImage field(256, 256, QImage::Format_RGB32);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                picture.setPixel(x, y, qRgba(x * y / 255, x / 2, 0, x));
                field.setPixel(x, y, qRgb(y, 255 - y, (x + y) & 0xFF));
            }
        QImage expected = field;
        QPainter(&expected).drawImage(0, 0, picture);

        Overlay overlay;
        overlay.setPicture({reinterpret_cast<const std::uint32_t *>(picture.constBits()),
                            picture.width(), picture.height(), int(picture.bytesPerLine() / 4)});
        overlay.blendOver(reinterpret_cast<std::uint32_t *>(field.bits()), 256, 256, 0, 0);
        QCOMPARE(field, expected);
    }
};

QTEST_APPLESS_MAIN(TestOverlay)
#include "test_overlay.moc"
