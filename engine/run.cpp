#include "run.h"

#include "layout.h"
#include "rating.h"
#include "runstate.h"
#include "spritefield.h"
#include "tick.h"

namespace {

constexpr int kMarqueePoints = 22; // status line size while a run is measured
constexpr int kHeaderPoints = 14;  // header size once the score is shown

// The left edge that centres a label of its present width in the main window.
int centredLeft(const RunLabel &label)
{
    return (kMainWindowWidth - label.width()) / 2;
}

} // namespace

MeasurementRun::MeasurementRun(RunView &view, const SpriteSheets &sheets, FinishControls &finish)
    : m_view(view), m_sheets(sheets), m_finish(finish)
{
}

void MeasurementRun::start()
{
    m_view.applyWindowShape();
    SeedFromClock();
    m_view.showField(NewBlueField());
    ScatterSprites();
    StartTick = GetTickCount();
    FrameCount = 0;
    drawFrame();
    m_view.installIdleHook();
}

void MeasurementRun::idle()
{
    if (ElapsedMs <= kFinishMs)
        drawFrame();
}

void MeasurementRun::drawFrame()
{
    FieldBitmap &field = m_view.frameField();
    // Judged on the previous frame's time and the last score.
    if (Score >= kPreludeScore || ElapsedMs <= kScoringMs)
        colourPrelude(field);

    SpriteStep(field, m_sheets);

    ElapsedMs = tickDifference(GetTickCount(), StartTick);
    ++FrameCount;

    if (ElapsedMs > 0 && ElapsedMs < kMarqueeEndMs)
        statusLine();
    if (ElapsedMs > kScoringMs)
        scoreAndRating(field);
    if (ElapsedMs > kFinishMs)
        finishSequence();
}

void MeasurementRun::colourPrelude(FieldBitmap &field)
{
    RunLabel &rating = m_view.ratingLabel();
    RunLabel &status = m_view.statusLabel();
    rating.setFontColor(clInfoBk);
    rating.setColor(clBlack);
    status.setFontColor(clFuchsia);
    status.setColor(clBlack);
    field.setBrushColor(clBlack);
}

void MeasurementRun::statusLine()
{
    RunLabel &status = m_view.statusLabel();
    // Placed by the width the previous frame's text gave it.
    status.setLeft(centredLeft(status));
    status.setTransparent(true);
    status.setFontColor(clWhite);
    status.setFontSize(kMarqueePoints);
    status.setVisible(true);
    status.setCaption(MarqueeTexts[std::size_t(marqueeRow(ElapsedMs))].text);
}

void MeasurementRun::scoreAndRating(FieldBitmap &field)
{
    Score = ComputeScore(FrameCount, ElapsedMs);
    const std::array<int, 4> digits = scoreDigits(Score);
    for (int i = 0; i < 4; ++i)
        DrawTile(field, m_sheets, kScoreDigitLeft + kScoreDigitSpacing * i, kScoreDigitTop,
                 digits[std::size_t(i)]);

    RunLabel &rating = m_view.ratingLabel();
    RunLabel &status = m_view.statusLabel();
    const RatingBand &band = bandFor(Score);
    if (band.colours) {
        rating.setFontColor(band.colours->label1Text);
        rating.setColor(band.colours->background);
        status.setFontColor(band.colours->label3Text);
        status.setColor(band.colours->background);
        field.setBrushColor(band.colours->background);
    }
    // The text only changes with the score; compose it only then.
    if (!m_rating || m_rating->first != Score)
        m_rating.emplace(Score, ComposeRatingText(Score));
    rating.setCaption(m_rating->second);

    rating.setLeft(centredLeft(rating));
    // By the width it has now: on the first scoring frame, the status line's.
    status.setLeft(centredLeft(status));
    status.setFontSize(kHeaderPoints);
    status.setCaption(kRatingHeader);
}

void MeasurementRun::finishSequence()
{
    m_view.beep();
    m_finish.startBlink();
    RunLabel &rating = m_view.ratingLabel();
    RunLabel &status = m_view.statusLabel();
    rating.setTransparent(false);
    status.setTransparent(false);
    rating.setVisible(true);
    status.setVisible(true);
    m_finish.reveal();
    m_view.runFinished();
}
