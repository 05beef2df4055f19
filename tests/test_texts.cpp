// Every fixed text of the program: each survives the round trip through Shift-JIS, and the
// marks easily lost in typing (ideographic and ASCII spaces, ASCII '!') are where meant.
#include "marquee.h"
#include "rating.h"
#include "scoretablerows.h"
#include "texts.h"

#include <gtest/gtest.h>

#if __has_include(<iconv.h>)
#include <iconv.h>
#endif

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

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

} // namespace

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
