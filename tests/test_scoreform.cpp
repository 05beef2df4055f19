// The score table window: its rows, its centring, and the blink of the last score's band
// driven tick by tick.
#include "application.h"
#include "fonts.h"
#include "layout.h"
#include "mainform.h"
#include "runstate.h"
#include "scoreform.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <algorithm>

namespace {

TShape *shape(int band)
{
    return ScoreForm->Shapes[std::size_t(band - 1)];
}
TLabel *label(int band)
{
    return ScoreForm->Labels[std::size_t(band - 1)];
}
const ScoreTableRow &row(int band)
{
    return *std::ranges::find_if(ScoreTableRows,
                                 [band](const ScoreTableRow &r) { return r.band == band; });
}
QString text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

// Whether band's label shows its range in black.
bool showsRange(int band)
{
    return label(band)->Caption() == text(row(band).rangeCaption) &&
           label(band)->FontColor() == clBlack;
}

bool showsRedComment(int band)
{
    return label(band)->Caption() == text(row(band).comment) && label(band)->FontColor() == clRed;
}

} // namespace

class TestScoreForm : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        ScoreForm->Button1Click();
        Score = 0;
    }
    // A blink leaves its band yellow, which nothing of the window's own undoes.
    void cleanup()
    {
        for (int band = 1; band <= 8; ++band)
            shape(band)->setBrushColor(row(band).colour);
    }

    // First, while every row still has the colour the window gave it.
    void windowHasItsCaptionSizeAndRows()
    {
        QCOMPARE(ScoreForm->windowTitle(), QStringLiteral("成績表"));
        QCOMPARE(ScoreForm->size(), QSize(kScoreTableClientWidth, kScoreTableClientHeight));
        QVERIFY(!ScoreForm->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!ScoreForm->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        const ControlBox &ok = kScoreTableOkButton;
        QCOMPARE(ScoreForm->Button1->geometry(), QRect(ok.left, ok.top, ok.width, ok.height));
        QCOMPARE(ScoreForm->Button1->text(), QStringLiteral("O   K"));
        for (int band = 1; band <= 8; ++band) {
            QCOMPARE(shape(band)->geometry(), QRect(kScoreShapeLeft, row(band).shapeTop,
                                                    kScoreShapeWidth, kScoreShapeHeight));
            QCOMPARE(shape(band)->BrushColor(), row(band).colour);
            QCOMPARE(label(band)->pos(), QPoint(kScoreLabelLeft, row(band).labelTop));
            QCOMPARE(label(band)->Caption(), text(row(band).rangeCaption));
        }
    }

    // Before any test moves the window.
    void windowIsCentredAtCreation()
    {
        QCOMPARE(ScoreForm->pos(), QPoint((1280 - 202) / 2, (1024 - 323) / 2));
    }

    void centredOriginHalvesTowardZero_data()
    {
        QTest::addColumn<int>("difference");
        QTest::addColumn<int>("origin");
        QTest::newRow("1079") << 1079 << 539;
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("-1") << -1 << 0;
        QTest::newRow("-5") << -5 << -2;
    }
    void centredOriginHalvesTowardZero()
    {
        QFETCH(int, difference);
        QFETCH(int, origin);
        const QSize outer(300, 400);
        QCOMPARE(centredOrigin(outer.width() + difference, outer.width()), origin);
        QCOMPARE(centredOrigin(outer.height() + difference, outer.height()), origin);
    }

    void showingFromHiddenResetsTheRowsAndStartsTheBlink()
    {
        TableBlink = true;
        for (int band = 1; band <= 8; ++band) {
            label(band)->setCaption(QStringLiteral("x"));
            label(band)->setFontColor(clRed);
        }
        ScoreForm->Show();
        QVERIFY(ScoreForm->isVisible());
        for (int band = 1; band <= 8; ++band)
            QVERIFY(showsRange(band));
        QVERIFY(!TableBlink);
        QVERIFY(ScoreForm->Timer1->Enabled());
    }

    void blinkAlternatesTheBandOfTheScore_data()
    {
        QTest::addColumn<int>("score");
        QTest::addColumn<int>("band");
        QTest::newRow("0") << 0 << 1;
        QTest::newRow("49") << 49 << 1;
        QTest::newRow("50") << 50 << 2;
        QTest::newRow("349") << 349 << 7;
        QTest::newRow("350") << 350 << 8;
        QTest::newRow("4000") << 4000 << 8;
    }
    void blinkAlternatesTheBandOfTheScore()
    {
        QFETCH(int, score);
        QFETCH(int, band);
        Score = score;
        ScoreForm->Show();

        ScoreForm->Timer1Timer();
        QVERIFY(TableBlink);
        QCOMPARE(shape(band)->BrushColor(), clYellow);
        QVERIFY(showsRedComment(band));
        for (int other = 1; other <= 8; ++other) {
            if (other != band) {
                QCOMPARE(shape(other)->BrushColor(), row(other).colour);
                QVERIFY(showsRange(other));
            }
        }

        ScoreForm->Timer1Timer();
        QVERIFY(!TableBlink);
        QCOMPARE(shape(band)->BrushColor(), row(band).colour);
        QVERIFY(showsRedComment(band));

        ScoreForm->Timer1Timer();
        QCOMPARE(shape(band)->BrushColor(), clYellow);
        QCOMPARE(ScoreForm->Timer1->Interval(), 1000);
    }

    void okStopsTheBlinkAndHides()
    {
        ScoreForm->Show();
        ScoreForm->Button1->click();
        QVERIFY(ScoreForm->isHidden());
        QVERIFY(!ScoreForm->Timer1->Enabled());
    }

    void closeBoxHidesButTheRunningCountGoesOn()
    {
        ScoreForm->Show();
        QTest::qSleep(300); // no events dispatched: the count runs, no tick is taken
        ScoreForm->close();
        QVERIFY(ScoreForm->isHidden());
        QVERIFY(ScoreForm->Timer1->Enabled());

        label(3)->setCaption(QStringLiteral("x"));
        ScoreForm->Show();
        QVERIFY(showsRange(3));
        const int remaining = ScoreForm->Timer1->findChild<QTimer *>()->remainingTime();
        QVERIFY2(remaining >= 0 && remaining <= 850, qPrintable(QString::number(remaining)));
    }

    void bandChangeWhileOpenMovesTheBlinkAtTheNextTick()
    {
        Score = 120;
        ScoreForm->Show();
        ScoreForm->Timer1Timer();
        QCOMPARE(shape(3)->BrushColor(), clYellow);

        Score = 400;
        ScoreForm->Timer1Timer(); // rest phase, now for band 8
        QCOMPARE(shape(8)->BrushColor(), clBlack);
        QCOMPARE(shape(3)->BrushColor(), clYellow);
        QVERIFY(showsRange(8));

        ScoreForm->Timer1Timer();
        QCOMPARE(shape(8)->BrushColor(), clYellow);
        QVERIFY(showsRedComment(8));
        QCOMPARE(shape(3)->BrushColor(), clYellow);
        QVERIFY(showsRedComment(3));
    }

    void shapeLeftYellowStaysYellowWhenShownAgain()
    {
        Score = 200;
        ScoreForm->Show();
        ScoreForm->Timer1Timer();
        ScoreForm->Button1->click();
        ScoreForm->Show();
        QCOMPARE(shape(5)->BrushColor(), clYellow);
        QVERIFY(showsRange(5));
    }

    void showingAnOpenWindowResetsNothing()
    {
        Score = 60;
        ScoreForm->Show();
        ScoreForm->Timer1Timer();
        ScoreForm->Show();
        QVERIFY(TableBlink);
        QVERIFY(showsRedComment(2));
        QCOMPARE(shape(2)->BrushColor(), clYellow);
        QVERIFY(ScoreForm->Timer1->Enabled());
    }
};

int main(int argc, char *argv[])
{
    TApplication::PrepareToolkit();
    QApplication qtApp(argc, argv);
    TApplication app;

    TMainForm mainForm;
    TScoreForm scoreForm;

    TestScoreForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_scoreform.moc"
