// A machine with none of the named Japanese faces: CTest points FONTCONFIG_FILE at a
// configuration that sees only VL Gothic and DejaVu Sans. Every face must fall back to a
// family with Japanese glyphs, and a whole run must show its texts in them.
#include "application.h"
#include "fonts.h"
#include "mainform.h"
#include "qtcolour.h"
#include "qttext.h"
#include "runstate.h"
#include "tick.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QRawFont>
#include <QTest>

namespace {

std::uint32_t fakeTick = 5000;
std::uint32_t readFakeTick()
{
    return fakeTick;
}

// Characters of `text` the font has no glyph for, line breaks aside.
QString missingGlyphs(const QFont &font, const QString &text)
{
    const QRawFont raw = QRawFont::fromFont(font);
    QString missing;
    for (const QChar c : text) {
        if (c != u'\r' && c != u'\n' && !raw.supportsCharacter(c))
            missing += c;
    }
    return missing;
}

} // namespace

class TestFontFallback : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The machine this test stands for.
        const QStringList families = QFontDatabase::families();
        for (const char *named : {"IPAPGothic", "IPAGothic", "IPAMincho", "MotoyaLMaru"})
            QVERIFY2(!families.contains(QString::fromLatin1(named)), named);
        QVERIFY(!QFontDatabase::families(QFontDatabase::Japanese).isEmpty());
    }

    void everyFaceResolvesToAFamilyWithJapaneseGlyphs_data()
    {
        QTest::addColumn<QString>("face");
        QTest::newRow("P gothic") << toQString(kFacePGothic);
        QTest::newRow("gothic") << toQString(kFaceGothic);
        QTest::newRow("mincho") << toQString(kFaceMincho);
        QTest::newRow("rounded") << toQString(kFaceRounded);
    }
    void everyFaceResolvesToAFamilyWithJapaneseGlyphs()
    {
        QFETCH(QString, face);
        const std::string name = face.toStdString();
        const bool mincho = name == kFaceMincho;
        const QFont font = makeFont({name, 19, true, mincho});
        const QString family = QFontInfo(font).family();
        QVERIFY2(QFontDatabase::families(QFontDatabase::Japanese).contains(family),
                 qPrintable(family));
        QCOMPARE(missingGlyphs(font, QStringLiteral("あア計測終了反重力")), QString());
    }

    void aWholeRunShowsItsTextsInJapaneseGlyphs()
    {
        TMainForm form;
        form.ShowCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (int ms : {100, 4000, 8750, 8850}) {
            fakeTick = std::uint32_t(StartTick) + std::uint32_t(ms);
            FrameCount = ms * 4;
            form.DrawFrame();
        }
        QVERIFY(form.shuuryou->isVisible());
        QVERIFY(form.Label1->Caption().contains(QString::number(Score)));
        QCOMPARE(missingGlyphs(form.Label1->font(), form.Label1->Caption()), QString());
        QCOMPARE(missingGlyphs(form.Label3->font(), form.Label3->Caption()), QString());
        QCOMPARE(missingGlyphs(form.saikeisoku->font(), form.saikeisoku->Caption()), QString());
        QCOMPARE(missingGlyphs(form.shuuryou->font(), form.shuuryou->Caption()), QString());

        // The rating text is drawn: its colour covers part of the label's picture, which
        // the field composes.
        const QImage label = form.Label1->composite();
        const QRgb ink = toQColor(form.Label1->FontColor()).rgb();
        int inked = 0;
        for (int y = 0; y < label.height(); ++y)
            for (int x = 0; x < label.width(); ++x)
                inked += label.pixel(x, y) == ink;
        QVERIFY2(inked > 100, qPrintable(QString::number(inked)));
    }
};

int main(int argc, char *argv[])
{
    TApplication::PrepareToolkit();
    QApplication qtApp(argc, argv);
    TApplication app;
    setTickSource(readFakeTick);
    TestFontFallback test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_fontfallback.moc"
