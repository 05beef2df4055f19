// TLabel's sizing, line breaks, centring and painting, and the Japanese faces the
// windows ask for.
#include "application.h"
#include "fonts.h"
#include "label.h"
#include "qttext.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QRawFont>
#include <QTest>

namespace {

// Counts the paint, resize and move events one widget receives.
class EventCounter : public QObject
{
public:
    int paints = 0;
    int geometryChanges = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        if (event->type() == QEvent::Resize || event->type() == QEvent::Move)
            ++geometryChanges;
        return false;
    }
};

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// Leftmost and rightmost inked column within rows [top, bottom) of image, or {-1, -1}.
std::pair<int, int> inkSpan(const QImage &image, int top, int bottom)
{
    int left = -1, right = -1;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                left = left < 0 ? x : std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

} // namespace

class TestLabel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_host.resize(300, 200); }

    void init()
    {
        m_label = new TLabel(&m_host);
        m_label->setLabelFont(makeFont({kFacePGothic, 16}));
        m_label->move(30, 40);
    }
    void cleanup() { delete m_label; }

    void sizesToItsTextKeepingItsLeftEdge_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("widest");
        QTest::addColumn<int>("lines");
        QTest::newRow("one word") << QStringLiteral("abc") << QStringLiteral("abc") << 1;
        QTest::newRow("longer") << QStringLiteral("abcdefgh") << QStringLiteral("abcdefgh") << 1;
        QTest::newRow("two lines")
            << QStringLiteral("ab\r\nabcdef") << QStringLiteral("abcdef") << 2;
        QTest::newRow("empty is one space") << QString() << QStringLiteral(" ") << 1;
    }
    void sizesToItsTextKeepingItsLeftEdge()
    {
        QFETCH(QString, caption);
        QFETCH(QString, widest);
        QFETCH(int, lines);
        m_label->setCaption(QStringLiteral("something else entirely"));
        m_label->setCaption(caption);
        const QFontMetrics metrics(m_label->font());
        QCOMPARE(m_label->pos(), QPoint(30, 40));
        QCOMPARE(m_label->size(),
                 QSize(metrics.horizontalAdvance(widest), lines * metrics.height()));
    }

    // The run's UTF-8 captions are converted only when they change; a caption set as a
    // QString in between must not leave the label believing it still shows the bytes.
    void utf8CaptionsFollowEveryChange()
    {
        m_label->setCaption(std::string_view("反重力  12"));
        QCOMPARE(m_label->Caption(), QStringLiteral("反重力  12"));
        m_label->setCaption(QStringLiteral("other"));
        m_label->setCaption(std::string_view("反重力  12"));
        QCOMPARE(m_label->Caption(), QStringLiteral("反重力  12"));
        m_label->setCaption(std::string_view("反重力  13"));
        QCOMPARE(m_label->Caption(), QStringLiteral("反重力  13"));
    }

    void lineBreaksAreCrLfOrLfCr_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << QStringLiteral("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("LF CR") << QStringLiteral("a\n\rb") << QStringList{"a", "b"};
        QTest::newRow("CR LF twice") << QStringLiteral("a\r\n\r\nb") << QStringList{"a", "", "b"};
        QTest::newRow("LF CR twice") << QStringLiteral("a\n\r\n\rb") << QStringList{"a", "", "b"};
        QTest::newRow("LF CR then CR LF")
            << QStringLiteral("a\n\r\r\nb") << QStringList{"a", "", "b"};
        QTest::newRow("rating text")
            << QStringLiteral("s 1\n\rc1\r\nc2\r\nc3") << QStringList{"s 1", "c1", "c2", "c3"};
        QTest::newRow("no break") << QStringLiteral("ab") << QStringList{"ab"};
    }
    void lineBreaksAreCrLfOrLfCr()
    {
        QFETCH(QString, caption);
        QFETCH(QStringList, lines);
        m_label->setCaption(caption);
        QCOMPARE(m_label->height(), int(lines.size()) * QFontMetrics(m_label->font()).height());
    }

    void eachLineIsCentredInTheLabel()
    {
        m_label->setCaption(QStringLiteral("HHHHHHHHHH\r\nHH\n\rH"));
        m_label->setTransparent(false);
        m_label->setColor(clWhite);
        m_label->setFontColor(clBlack);
        QImage image(m_label->size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        m_label->render(&image);
        const int lineHeight = m_label->height() / 3;
        for (int line = 0; line < 3; ++line) {
            const auto [left, right] = inkSpan(image, line * lineHeight, (line + 1) * lineHeight);
            QVERIFY(left >= 0);
            QVERIFY2(std::abs((left + right + 1) - m_label->width()) <= 3,
                     qPrintable(QStringLiteral("line %1: ink %2..%3 of %4")
                                    .arg(line)
                                    .arg(left)
                                    .arg(right)
                                    .arg(m_label->width())));
        }
    }

    void settingAPropertyToItsValueNeitherRepaintsNorResizes_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<bool>("change");
        for (const char *property : {"caption", "colour", "font colour", "font", "font size",
                                     "transparency", "left", "top"}) {
            QTest::addRow("%s, same", property) << QString::fromLatin1(property) << false;
            QTest::addRow("%s, new", property) << QString::fromLatin1(property) << true;
        }
    }
    void settingAPropertyToItsValueNeitherRepaintsNorResizes()
    {
        QFETCH(QString, property);
        QFETCH(bool, change);
        m_label->setCaption(QStringLiteral("abc"));
        m_label->setColor(clLime);
        m_label->setFontColor(clBlue);
        m_label->setTransparent(false);
        m_label->show();
        m_host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_host));
        settle();

        EventCounter counter;
        m_label->installEventFilter(&counter);
        const int d = change ? 1 : 0;
        if (property == "caption")
            m_label->setCaption(change ? QStringLiteral("abcd") : QStringLiteral("abc"));
        else if (property == "colour")
            m_label->setColor(change ? clRed : clLime);
        else if (property == "font colour")
            m_label->setFontColor(change ? clRed : clBlue);
        else if (property == "font")
            m_label->setLabelFont(makeFont({kFacePGothic, 16, change}));
        else if (property == "font size")
            m_label->setFontSize(12 + 2 * d); // 12 points is 16 pixels
        else if (property == "transparency")
            m_label->setTransparent(change);
        else if (property == "left")
            m_label->setLeft(30 + d);
        else
            m_label->setTop(40 + d);
        settle();
        m_label->removeEventFilter(&counter);
        if (change)
            QVERIFY(counter.paints + counter.geometryChanges > 0);
        else
            QCOMPARE(counter.paints + counter.geometryChanges, 0);
    }

    void onlyAnOpaqueLabelPaintsItsColour_data()
    {
        QTest::addColumn<bool>("transparent");
        QTest::addColumn<QColor>("corner");
        QTest::newRow("transparent") << true << QColor(Qt::green);
        QTest::newRow("opaque") << false << QColor(Qt::red);
    }
    void onlyAnOpaqueLabelPaintsItsColour()
    {
        QFETCH(bool, transparent);
        QFETCH(QColor, corner);
        m_label->setCaption(QStringLiteral("x"));
        m_label->setColor(clRed);
        m_label->setTransparent(transparent);
        QImage image(m_label->size(), QImage::Format_RGB32);
        image.fill(Qt::green);
        m_label->render(&image, {}, {}, QWidget::RenderFlags());
        QCOMPARE(image.pixelColor(0, 0), corner);
        QCOMPARE(image.pixelColor(image.width() - 1, image.height() - 1), corner);
    }

    void italicTextsOfEqualAdvanceGetEqualWidthsWithTheirInkInside()
    {
        // The status line's rows: eight full-width characters in the fixed-pitch gothic.
        m_label->setLabelFont(makeFont({kFaceGothic, 29, true, true}));
        const QStringList rows{QStringLiteral("\u3000\u3000\u3000\u3000\u3000\u3000\u3000只"),
                               QStringLiteral("・計測中です\u3000暫"),
                               QStringLiteral("只今・計測中です"), QString(8, QChar(0x3000))};
        m_label->setCaption(rows.front());
        const int width = m_label->width();
        for (const QString &row : rows) {
            m_label->setCaption(row);
            QCOMPARE(m_label->width(), width);
            QImage image(width + 40, m_label->height(), QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.setFont(m_label->font());
            painter.drawText(0, QFontMetrics(m_label->font()).ascent(), row);
            painter.end();
            QVERIFY(inkSpan(image, 0, image.height()).second < width);
        }
    }

    void facesResolveToInstalledJapaneseFonts_data()
    {
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("fixedPitch"); // 1 fixed, 0 proportional, -1 either
        QTest::newRow("P gothic") << toQString(kFacePGothic) << 0;
        QTest::newRow("gothic") << toQString(kFaceGothic) << 1;
        QTest::newRow("mincho") << toQString(kFaceMincho) << 1;
        QTest::newRow("rounded") << toQString(kFaceRounded) << -1;
    }
    void facesResolveToInstalledJapaneseFonts()
    {
        QFETCH(QString, face);
        QFETCH(int, fixedPitch);
        const std::string name = face.toStdString();
        const QFont font = makeFont({name, 16});
        const QFontInfo info(font);
        const FaceSubstitution *entry = substitutionFor(name);
        QVERIFY(entry);
        QVERIFY2(std::ranges::count(entry->standIns, info.family().toStdString()) == 1,
                 qPrintable(info.family()));
        QVERIFY(QFontDatabase::families().contains(info.family()));
        const QRawFont raw = QRawFont::fromFont(font);
        QVERIFY(raw.supportsCharacter(QChar(0x3042)));
        QVERIFY(raw.supportsCharacter(QChar(0x8A08)));
        // The installed faces are dual-width (half and full), which QFontInfo::fixedPitch()
        // does not count as fixed: compare the advances instead.
        if (fixedPitch >= 0) {
            const QFontMetrics metrics(font);
            const int half = metrics.horizontalAdvance(u'W');
            const bool fixed =
                metrics.horizontalAdvance(u'i') == half &&
                metrics.horizontalAdvance(QStringLiteral("只・す\u3000")) == 8 * half;
            QCOMPARE(fixed, fixedPitch == 1);
        }
    }

private:
    QWidget m_host;
    TLabel *m_label = nullptr;
};

int main(int argc, char *argv[])
{
    TApplication::PrepareToolkit();
    QApplication qtApp(argc, argv);
    TApplication app;
    TestLabel test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_label.moc"
