// What the score table window shows in each of its eight rows, and how showing it and its
// blink change that; a front end draws the rows as this says.
#pragma once

#include "colour.h"
#include "runstate.h"
#include "scoretablerows.h"

#include <array>
#include <cstdint>
#include <string_view>

struct ScoreRowLook
{
    TColor shape;             // the ellipse's brush
    TColor labelFont;         // the label's text colour
    std::string_view caption; // the range, or the comment once the row has blinked
    bool operator==(const ScoreRowLook &) const = default;
};

class ScoreTableLooks
{
public:
    // As the layout stores them: band colours, range captions in the window-text colour.
    ScoreTableLooks();

    // rows()[i] is the row of ScoreTableRows[i], the band of 350 and above first.
    const std::array<ScoreRowLook, kScoreTableRowCount> &rows() const { return m_rows; }

    // FormShow: every label back to its range in black; the shapes keep what they had.
    // TableBlink starts at rest.
    void formShow();
    // Timer1Timer: inverts TableBlink and shows that phase in the row of `score`; returns
    // the index of the row it touched.
    std::size_t timerTick(std::int32_t score);
    // ShowBand: highlighted, the row's ellipse turns yellow and its label shows the
    // comment in red; at rest the ellipse gets its colour back and the label stays.
    std::size_t showBand(bool highlight, std::int32_t score);

private:
    std::array<ScoreRowLook, kScoreTableRowCount> m_rows;
};
