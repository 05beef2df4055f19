// Marquee rows, score formula, rating ladder, score-table rows, and every fixed text of the
// program surviving the round trip through Shift-JIS.
#include "marquee.h"
#include "rating.h"
#include "scoretablerows.h"
#include "texts.h"

#include <gtest/gtest.h>

#if __has_include(<iconv.h>)
#include <iconv.h>
#endif

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr int kMaxInt = std::numeric_limits<int>::max();

std::size_t countOf(std::string_view text, std::string_view part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + part.size()))
        ++n;
    return n;
}

// Every quoted text of the program, named for failure messages.
std::vector<std::pair<std::string, std::string>> allTexts()
{
    std::vector<std::pair<std::string, std::string>> texts;
    const auto add = [&](std::string name, std::string_view text) {
        texts.emplace_back(std::move(name), std::string(text));
    };
    for (std::size_t k = 0; k < MarqueeTexts.size(); ++k)
        add("marquee " + std::to_string(k + 1), MarqueeTexts[k].text);
    for (std::size_t b = 0; b < RatingBands.size(); ++b)
        for (int l = 0; l < RatingBands[b].lineCount(); ++l)
            add("band " + std::to_string(b + 1) + " line " + std::to_string(l + 1),
                RatingBands[b].comment[std::size_t(l)]);
    for (const ScoreTableRow &row : ScoreTableRows) {
        add("table caption " + std::to_string(row.band), row.rangeCaption);
        add("table comment " + std::to_string(row.band), row.comment);
    }
    add("prefix", kScorePrefix);
    add("suffix", kScoreSuffix);
    add("header", kRatingHeader);
    add("title", kApplicationTitle);
    add("main window caption", kMainWindowCaption);
    add("re-measure", kRemeasureCaption);
    add("quit", kQuitCaption);
    add("about action", kAboutActionCaption);
    add("score table", kScoreTableCaption);
    add("about box", kAboutFirstLine);
    add("OK", kOkCaption);
    return texts;
}

// The number of characters (code points) in UTF-8 text.
std::size_t characters(std::string_view utf8)
{
    return std::size_t(std::ranges::count_if(utf8, [](char c) { return (c & 0xC0) != 0x80; }));
}

} // namespace

TEST(Texts, MarqueeRowBoundaries)
{
    const std::pair<int, int> cases[] = {{1, 1},     {300, 1},   {301, 2},   {7800, 26},
                                         {7801, 27}, {7999, 27}, {8700, 27}, {8701, 0},
                                         {0, 0},     {-300, 0}}; // row 1-based, 0 for none
    for (const auto &[ms, row] : cases)
        EXPECT_EQ(marqueeRow(ms) + 1, row) << ms << " ms";
}

TEST(Texts, MarqueeRowsScrollTheStrip)
{
    const std::string ideo = "\u3000";
    std::string strip;
    for (int i = 0; i < 7; ++i)
        strip += ideo;
    strip += "只今・計測中です" + ideo + "暫く" + ideo + "お待ち下さい・";
    for (int i = 0; i < 8; ++i)
        strip += ideo;
    // Every character of the strip is three bytes in UTF-8.
    ASSERT_EQ(characters(strip), 34u);
    ASSERT_EQ(strip.size(), 34u * 3);
    for (int k = 0; k < kMarqueeRowCount; ++k) {
        const std::string_view row = MarqueeTexts[std::size_t(k)].text;
        EXPECT_EQ(characters(row), 8u) << "row " << k + 1;
        EXPECT_EQ(row, std::string_view(strip).substr(std::size_t(k) * 3, 8 * 3))
            << "row " << k + 1;
    }
}

TEST(Texts, Score)
{
    struct Row
    {
        const char *name;
        int frames, ms, score;
    };
    const Row rows[] = {
        {"1000 frames in 8750 ms", 1000, 8750, 114},
        {"435 in 8702: the 500 lifts it to 50", 435, 8702, 50},
        {"1 in 8701", 1, 8701, 0},
        {"largest product that fits 32 bits", 2147483, 8701, 246808},
        // 2 147 484 500 would wrap to a negative score in 32 bits.
        {"first product past 32 bits", 2147484, 8701, 246808},
        {"most frames a run can count", kMaxInt, 8701, 246808832},
        {"quotient past 32 bits is held", kMaxInt, 1, kMaxInt},
    };
    for (const Row &row : rows)
        EXPECT_EQ(ComputeScore(row.frames, row.ms), row.score) << row.name;
}

TEST(Texts, BandsAndDigits)
{
    const std::tuple<int, int, std::string_view> cases[] = {
        // digits empty: not checked
        {0, 1, "0000"},      {7, 1, "0007"},   {49, 1, "0049"},      {50, 2, "0050"},
        {349, 7, "0349"},    {350, 8, "0350"}, {6999, 20, "6999"},   {7000, 21, "7000"},
        {12345, 21, "2345"}, {-1, 1, ""},      {kNoLowerEdge, 1, ""}};
    for (const auto &[score, band, digits] : cases) {
        SCOPED_TRACE(score);
        EXPECT_EQ(ratingBandIndex(score) + 1, band);
        EXPECT_EQ(&bandFor(score), &RatingBands[std::size_t(band - 1)]);
        if (!digits.empty()) {
            std::string shown;
            for (int digit : scoreDigits(score))
                shown += char('0' + digit);
            EXPECT_EQ(shown, digits);
        }
    }
}

TEST(Texts, EveryEdgeOpensItsBand)
{
    constexpr int edges[] = {50,  100,  150,  200,  250,  300,  350,  450,  600,  750,
                             900, 1100, 1500, 2000, 2500, 3000, 4000, 5000, 6000, 7000};
    for (int i = 0; i < int(std::size(edges)); ++i) {
        EXPECT_EQ(ratingBandIndex(edges[i]), i + 1);
        EXPECT_EQ(ratingBandIndex(edges[i] - 1), i);
    }
}

TEST(Texts, BandColours)
{
    const std::array<BandColours, 7> coloured = {{{clYellow, clRed, clWhite},
                                                  {clMaroon, clFuchsia, clWhite},
                                                  {clBlue, clLime, clFuchsia},
                                                  {clYellow, clGreen, clFuchsia},
                                                  {clRed, clAqua, clBlue},
                                                  {clYellow, clBlue, clFuchsia},
                                                  {clAqua, clPurple, clYellow}}};
    for (int band = 1; band <= kRatingBandCount; ++band) {
        SCOPED_TRACE("band " + std::to_string(band));
        const std::optional<BandColours> &colours = RatingBands[std::size_t(band - 1)].colours;
        const bool hasColours = band <= 7;
        ASSERT_EQ(colours.has_value(), hasColours);
        if (hasColours) {
            const BandColours &c = coloured[std::size_t(band - 1)];
            EXPECT_EQ(colours->label1Text, c.label1Text);
            EXPECT_EQ(colours->background, c.background);
            EXPECT_EQ(colours->label3Text, c.label3Text);
        }
    }
}

TEST(Texts, ComposedText)
{
    const std::pair<int, std::string_view> rows[] = {
        {123, "反重力  123 [RG]\n\r低空飛行中 で～す"},
        {7000, "反重力  7000 [RG]\n\r最高の気分だネッ。\r\n太陽系を出て"
               "\r\n銀河の旅路へ出発だ！"},
        {12345, "反重力  12345 [RG]\n\r最高の気分だネッ。\r\n太陽系を出て"
                "\r\n銀河の旅路へ出発だ！"},
    };
    for (const auto &[score, text] : rows)
        EXPECT_EQ(ComposeRatingText(score), text) << score;
}

TEST(Texts, CommentLayout)
{
    // Per band, 1 to 21: comment lines, and ASCII spaces in them.
    constexpr int lines[] = {2, 2, 1, 1, 1, 1, 2, 2, 2, 2, 2, 1, 2, 1, 2, 2, 2, 2, 2, 2, 3};
    constexpr int spaces[] = {0, 0, 1, 0, 0, 0, 0, 0, 2, 0, 0, 0, 1, 0, 2, 0, 0, 0, 0, 2, 0};
    static_assert(std::size(lines) == kRatingBandCount && std::size(spaces) == kRatingBandCount);
    for (int b = 0; b < kRatingBandCount; ++b) {
        SCOPED_TRACE("band " + std::to_string(b + 1));
        const std::int32_t score = b == 0 ? 0 : RatingBands[std::size_t(b)].lowerEdge;
        const std::string text = ComposeRatingText(score);
        EXPECT_EQ(countOf(text, "\n\r"), 1u);
        EXPECT_EQ(countOf(text, "\r\n"), std::size_t(lines[b] - 1));
        const std::string comment = text.substr(text.find("\n\r") + 2);
        EXPECT_EQ(std::ranges::count(comment, ' '), spaces[b]);
    }
}

// The Shift-JIS checks need the C library's iconv (glibc has it).
#if __has_include(<iconv.h>)

namespace {

// The C library's iconv; nullopt on invalid or incomplete input and on any lossy
// substitution.
std::optional<std::string> convert(const char *to, const char *from, const std::string &in)
{
    const iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(in.size() * 4 + 4, '\0');
    char *src = const_cast<char *>(in.data());
    std::size_t srcLeft = in.size();
    char *dst = out.data();
    std::size_t dstLeft = out.size();
    // A positive result counts characters that were replaced rather than converted.
    const std::size_t replaced = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (replaced != 0 || srcLeft != 0)
        return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
}

// A C library may have iconv without its converter modules (a cross build's, under an
// emulator): then there is nothing to check against.
bool hasShiftJis()
{
    const iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv_close(cd);
    return true;
}

} // namespace

TEST(Texts, SurvivesShiftJis)
{
    if (!hasShiftJis())
        GTEST_SKIP() << "this C library has no CP932 converter";
    for (const auto &[name, text] : allTexts()) {
        SCOPED_TRACE(name);
        const std::optional<std::string> sjis = convert("CP932", "UTF-8", text);
        ASSERT_TRUE(sjis);
        if (name.starts_with("marquee")) {
            EXPECT_EQ(sjis->size(), 16u);
        }
        const std::optional<std::string> back = convert("UTF-8", "CP932", *sjis);
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, text);
    }
}

TEST(Texts, ShiftJisCodes)
{
    struct Row
    {
        const char *name;
        std::string_view text;
        std::size_t offset;
        std::string_view code;
    };
    const Row rows[] = {
        {"wave dash", "～", 0, "\x81\x60"},
        {"middle dot", "・", 0, "\x81\x45"},
        {"range caption 7", ScoreTableRows[1].rangeCaption, 6, "\x81\x60"},
        {"marquee 3", MarqueeTexts[2].text, 14, "\x81\x45"},
    };
    if (!hasShiftJis())
        GTEST_SKIP() << "this C library has no CP932 converter";
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<std::string> sjis = convert("CP932", "UTF-8", std::string(row.text));
        ASSERT_TRUE(sjis);
        EXPECT_EQ(sjis->substr(row.offset, 2), row.code);
    }
}

#endif

TEST(Texts, EasilyLostMarks)
{
    struct Row
    {
        const char *name;
        std::string_view text, head, tail;
    };
    const std::string_view ideo = "\xE3\x80\x80";
    const Row rows[] = {
        {"band 7 ends in ASCII !", RatingBands[6].comment[1], "", "ッ!"},
        {"band 2 line 2", RatingBands[1].comment[1], ideo, ""},
        {"band 9 line 2", RatingBands[8].comment[1], " ", ""},
        {"band 20 line 1", RatingBands[19].comment[0], "", "舎 "},
        {"main caption", kMainWindowCaption, " Plovex     V", ideo},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(row.text.starts_with(row.head)) << row.text;
        EXPECT_TRUE(row.text.ends_with(row.tail)) << row.text;
    }
}

// Only two comment lines use an ASCII '!'; every other '!' and '?' is full-width.
TEST(Texts, AsciiMarksOnlyWhereMeant)
{
    std::ptrdiff_t bangs = 0;
    for (const auto &[name, text] : allTexts()) {
        bangs += std::ranges::count(text, '!');
        EXPECT_EQ(text.find('?'), std::string::npos) << name;
    }
    EXPECT_EQ(bangs, 2);
    EXPECT_NE(RatingBands[19].comment[0].find("! "), std::string_view::npos);
}

TEST(Texts, ScoreTableRowOfAScore)
{
    const std::pair<int, int> cases[] = {{0, 1},   {49, 1},  {50, 2},   {199, 4}, {200, 5},
                                         {349, 7}, {350, 8}, {4321, 8}, {-1, 1}};
    for (const auto &[score, band] : cases)
        EXPECT_EQ(scoreTableRowFor(score).band, band) << score;
}
