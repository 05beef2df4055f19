#include "scoretablelooks.h"

ScoreTableLooks::ScoreTableLooks()
{
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_rows[i] = {ScoreTableRows[i].colour, clWindowText, ScoreTableRows[i].rangeCaption};
}

void ScoreTableLooks::formShow()
{
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_rows[i].caption = ScoreTableRows[i].rangeCaption;
    // Black, not the window-text colour the layout stores.
    for (ScoreRowLook &row : m_rows)
        row.labelFont = clBlack;
    TableBlink = false;
}

std::size_t ScoreTableLooks::timerTick(std::int32_t score)
{
    TableBlink = !TableBlink;
    return showBand(TableBlink, score);
}

std::size_t ScoreTableLooks::showBand(bool highlight, std::int32_t score)
{
    const ScoreTableRow &row = scoreTableRowFor(score);
    const auto index = static_cast<std::size_t>(&row - ScoreTableRows.data());
    ScoreRowLook &look = m_rows[index];
    if (highlight) {
        look.shape = clYellow;
        look.labelFont = clRed;
        look.caption = row.comment;
    } else {
        look.shape = row.colour;
    }
    return index;
}
