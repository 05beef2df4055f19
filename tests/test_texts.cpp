// Marquee rows, score formula, rating ladder, score-table rows, and every fixed text of the
// program surviving the round trip through Shift-JIS.
#include "marquee.h"
#include "rating.h"
#include "scoretablerows.h"
#include "texts.h"

#include <QTest>

#include <iconv.h>

#include <limits>
#include <optional>

namespace {

constexpr int kMaxInt = std::numeric_limits<int>::max();

QByteArray bytes(std::string_view text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}

// glibc iconv; nullopt on invalid or incomplete input and on any lossy substitution.
std::optional<QByteArray> convert(const char *to, const char *from, const QByteArray &in)
{
    const iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    QByteArray out(in.size() * 4 + 4, '\0');
    char *src = const_cast<char *>(in.constData());
    std::size_t srcLeft = std::size_t(in.size());
    char *dst = out.data();
    std::size_t dstLeft = std::size_t(out.size());
    // A positive result counts characters that were replaced rather than converted.
    const std::size_t replaced = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (replaced != 0 || srcLeft != 0)
        return std::nullopt;
    out.chop(qsizetype(dstLeft));
    return out;
}

// Every quoted text of the program, named for failure messages.
QList<std::pair<QByteArray, QByteArray>> allTexts()
{
    QList<std::pair<QByteArray, QByteArray>> texts;
    for (std::size_t k = 0; k < MarqueeTexts.size(); ++k)
        texts.append({"marquee " + QByteArray::number(k + 1), bytes(MarqueeTexts[k].text)});
    for (std::size_t b = 0; b < RatingBands.size(); ++b) {
        for (int l = 0; l < RatingBands[b].lineCount(); ++l)
            texts.append({QByteArray("band %1 line %2")
                              .replace("%1", QByteArray::number(b + 1))
                              .replace("%2", QByteArray::number(l + 1)),
                          bytes(RatingBands[b].comment[l])});
    }
    for (const ScoreTableRow &row : ScoreTableRows) {
        texts.append({"table caption " + QByteArray::number(row.band), bytes(row.rangeCaption)});
        texts.append({"table comment " + QByteArray::number(row.band), bytes(row.comment)});
    }
    texts.append({"prefix", bytes(kScorePrefix)});
    texts.append({"suffix", bytes(kScoreSuffix)});
    texts.append({"header", bytes(kRatingHeader)});
    texts.append({"title", bytes(kApplicationTitle)});
    texts.append({"main window caption", bytes(kMainWindowCaption)});
    texts.append({"re-measure", bytes(kRemeasureCaption)});
    texts.append({"quit", bytes(kQuitCaption)});
    texts.append({"about action", bytes(kAboutActionCaption)});
    texts.append({"score table", bytes(kScoreTableCaption)});
    texts.append({"about box", bytes(kAboutFirstLine)});
    texts.append({"OK", bytes(kOkCaption)});
    return texts;
}

} // namespace

class TestTexts : public QObject
{
    Q_OBJECT

private slots:
    void marqueeRowBoundaries_data()
    {
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("row"); // 1-based, 0 for none
        const std::pair<int, int> cases[] = {{1, 1},     {300, 1},   {301, 2},   {7800, 26},
                                             {7801, 27}, {7999, 27}, {8700, 27}, {8701, 0},
                                             {0, 0},     {-300, 0}};
        for (const auto &[ms, row] : cases)
            QTest::addRow("%d ms", ms) << ms << row;
    }
    void marqueeRowBoundaries()
    {
        QFETCH(int, ms);
        QFETCH(int, row);
        QCOMPARE(marqueeRow(ms) + 1, row);
    }

    void marqueeRowsScrollTheStrip()
    {
        const QChar ideo(0x3000);
        const QString strip = QString(7, ideo) + QStringLiteral("只今・計測中です") + ideo +
                              QStringLiteral("暫く") + ideo + QStringLiteral("お待ち下さい・") +
                              QString(8, ideo);
        QCOMPARE(strip.size(), qsizetype(34));
        for (int k = 0; k < kMarqueeRowCount; ++k) {
            const QString row = QString::fromUtf8(bytes(MarqueeTexts[k].text));
            QCOMPARE(row.size(), qsizetype(8));
            QCOMPARE(row, strip.mid(k, 8));
        }
    }

    void score_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("score");
        QTest::newRow("1000 frames in 8750 ms") << 1000 << 8750 << 114;
        QTest::newRow("435 in 8702: the 500 lifts it to 50") << 435 << 8702 << 50;
        QTest::newRow("1 in 8701") << 1 << 8701 << 0;
        QTest::newRow("largest product that fits 32 bits") << 2147483 << 8701 << 246808;
        // 2 147 484 500 would wrap to a negative score in 32 bits.
        QTest::newRow("first product past 32 bits") << 2147484 << 8701 << 246808;
        QTest::newRow("most frames a run can count") << kMaxInt << 8701 << 246808832;
        QTest::newRow("quotient past 32 bits is held") << kMaxInt << 1 << kMaxInt;
    }
    void score()
    {
        QFETCH(int, frames);
        QFETCH(int, ms);
        QFETCH(int, score);
        QCOMPARE(ComputeScore(frames, ms), score);
    }

    void bandsAndDigits_data()
    {
        QTest::addColumn<int>("score");
        QTest::addColumn<int>("band");
        QTest::addColumn<QByteArray>("digits"); // empty: not checked
        const std::tuple<int, int, const char *> cases[] = {
            {0, 1, "0000"},      {7, 1, "0007"},   {49, 1, "0049"},      {50, 2, "0050"},
            {349, 7, "0349"},    {350, 8, "0350"}, {6999, 20, "6999"},   {7000, 21, "7000"},
            {12345, 21, "2345"}, {-1, 1, ""},      {kNoLowerEdge, 1, ""}};
        for (const auto &[score, band, digits] : cases)
            QTest::addRow("%d", score) << score << band << QByteArray(digits);
    }
    void bandsAndDigits()
    {
        QFETCH(int, score);
        QFETCH(int, band);
        QFETCH(QByteArray, digits);
        QCOMPARE(ratingBandIndex(score) + 1, band);
        QCOMPARE(&bandFor(score), &RatingBands[band - 1]);
        if (!digits.isEmpty()) {
            QByteArray shown;
            for (int digit : scoreDigits(score))
                shown.append(char('0' + digit));
            QCOMPARE(shown, digits);
        }
    }

    void everyEdgeOpensItsBand()
    {
        constexpr int edges[] = {50,  100,  150,  200,  250,  300,  350,  450,  600,  750,
                                 900, 1100, 1500, 2000, 2500, 3000, 4000, 5000, 6000, 7000};
        for (int i = 0; i < int(std::size(edges)); ++i) {
            QCOMPARE(ratingBandIndex(edges[i]), i + 1);
            QCOMPARE(ratingBandIndex(edges[i] - 1), i);
        }
    }

    void bandColours_data()
    {
        QTest::addColumn<int>("band");
        QTest::addColumn<bool>("hasColours");
        QTest::addColumn<uint>("label1Text");
        QTest::addColumn<uint>("background");
        QTest::addColumn<uint>("label3Text");
        const std::array<BandColours, 7> coloured = {{{clYellow, clRed, clWhite},
                                                      {clMaroon, clFuchsia, clWhite},
                                                      {clBlue, clLime, clFuchsia},
                                                      {clYellow, clGreen, clFuchsia},
                                                      {clRed, clAqua, clBlue},
                                                      {clYellow, clBlue, clFuchsia},
                                                      {clAqua, clPurple, clYellow}}};
        for (int band = 1; band <= kRatingBandCount; ++band) {
            const BandColours c = band <= 7 ? coloured[band - 1] : BandColours{};
            QTest::addRow("band %d", band)
                << band << (band <= 7) << c.label1Text << c.background << c.label3Text;
        }
    }
    void bandColours()
    {
        QFETCH(int, band);
        QFETCH(bool, hasColours);
        const std::optional<BandColours> &colours = RatingBands[band - 1].colours;
        QCOMPARE(colours.has_value(), hasColours);
        if (hasColours) {
            QTEST(colours->label1Text, "label1Text");
            QTEST(colours->background, "background");
            QTEST(colours->label3Text, "label3Text");
        }
    }

    void composedText_data()
    {
        QTest::addColumn<int>("score");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("123") << 123 << QByteArray("反重力  123 [RG]\n\r低空飛行中 で～す");
        QTest::newRow("7000") << 7000
                              << QByteArray(
                                     "反重力  7000 [RG]\n\r最高の気分だネッ。\r\n太陽系を出て"
                                     "\r\n銀河の旅路へ出発だ！");
        QTest::newRow("12345") << 12345
                               << QByteArray(
                                      "反重力  12345 [RG]\n\r最高の気分だネッ。\r\n太陽系を出て"
                                      "\r\n銀河の旅路へ出発だ！");
    }
    void composedText()
    {
        QFETCH(int, score);
        QTEST(ComposeRatingText(score).toUtf8(), "text");
    }

    void commentLayout_data()
    {
        QTest::addColumn<int>("score");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("spaces"); // ASCII spaces in the comment lines
        // Per band, 1 to 21.
        constexpr int lines[] = {2, 2, 1, 1, 1, 1, 2, 2, 2, 2, 2, 1, 2, 1, 2, 2, 2, 2, 2, 2, 3};
        constexpr int spaces[] = {0, 0, 1, 0, 0, 0, 0, 0, 2, 0, 0, 0, 1, 0, 2, 0, 0, 0, 0, 2, 0};
        static_assert(std::size(lines) == kRatingBandCount &&
                      std::size(spaces) == kRatingBandCount);
        for (int b = 0; b < kRatingBandCount; ++b) {
            const std::int32_t score = b == 0 ? 0 : RatingBands[b].lowerEdge;
            QTest::addRow("band %d", b + 1) << score << lines[b] << spaces[b];
        }
    }
    void commentLayout()
    {
        QFETCH(int, score);
        QFETCH(int, lines);
        QFETCH(int, spaces);
        const QByteArray text = ComposeRatingText(score).toUtf8();
        QCOMPARE(text.count("\n\r"), qsizetype(1));
        QCOMPARE(text.count("\r\n"), qsizetype(lines - 1));
        const QByteArray comment = text.mid(text.indexOf("\n\r") + 2);
        QCOMPARE(comment.count(' '), qsizetype(spaces));
    }

    void survivesShiftJis_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("shiftJisBytes"); // -1: not checked
        for (const auto &[name, text] : allTexts())
            QTest::newRow(name.constData()) << text << (name.startsWith("marquee") ? 16 : -1);
    }
    void survivesShiftJis()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, shiftJisBytes);
        const std::optional<QByteArray> sjis = convert("CP932", "UTF-8", text);
        QVERIFY(sjis);
        if (shiftJisBytes >= 0)
            QCOMPARE(sjis->size(), qsizetype(shiftJisBytes));
        const std::optional<QByteArray> back = convert("UTF-8", "CP932", *sjis);
        QVERIFY(back);
        QCOMPARE(*back, text);
    }

    void shiftJisCodes_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("code");
        QTest::newRow("wave dash") << QByteArray("～") << 0 << QByteArray("\x81\x60");
        QTest::newRow("middle dot") << QByteArray("・") << 0 << QByteArray("\x81\x45");
        QTest::newRow("range caption 7")
            << bytes(ScoreTableRows[1].rangeCaption) << 6 << QByteArray("\x81\x60");
        QTest::newRow("marquee 3") << bytes(MarqueeTexts[2].text) << 14 << QByteArray("\x81\x45");
    }
    void shiftJisCodes()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, offset);
        QFETCH(QByteArray, code);
        const std::optional<QByteArray> sjis = convert("CP932", "UTF-8", text);
        QVERIFY(sjis);
        QCOMPARE(sjis->mid(offset, 2), code);
    }

    void easilyLostMarks_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("tail");
        const QByteArray ideo("\xE3\x80\x80");
        QTest::newRow("band 7 ends in ASCII !")
            << bytes(RatingBands[6].comment[1]) << QByteArray() << QByteArray("ッ!");
        QTest::newRow("band 2 line 2") << bytes(RatingBands[1].comment[1]) << ideo << QByteArray();
        QTest::newRow("band 9 line 2")
            << bytes(RatingBands[8].comment[1]) << QByteArray(" ") << QByteArray();
        QTest::newRow("band 20 line 1")
            << bytes(RatingBands[19].comment[0]) << QByteArray() << QByteArray("舎 ");
        QTest::newRow("main caption")
            << bytes(kMainWindowCaption) << QByteArray(" Plovex     V") << ideo;
    }
    void easilyLostMarks()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, tail);
        QVERIFY(text.startsWith(head));
        QVERIFY(text.endsWith(tail));
    }

    // Only two comment lines use an ASCII '!'; every other '!' and '?' is full-width.
    void asciiMarksOnlyWhereMeant()
    {
        qsizetype bangs = 0;
        for (const auto &[name, text] : allTexts()) {
            bangs += text.count('!');
            QVERIFY2(!text.contains('?'), name.constData());
        }
        QCOMPARE(bangs, qsizetype(2));
        QVERIFY(bytes(RatingBands[19].comment[0]).contains("! "));
    }

    void scoreTableRowOfAScore_data()
    {
        QTest::addColumn<int>("score");
        QTest::addColumn<int>("band");
        const std::pair<int, int> cases[] = {{0, 1},   {49, 1},  {50, 2},   {199, 4}, {200, 5},
                                             {349, 7}, {350, 8}, {4321, 8}, {-1, 1}};
        for (const auto &[score, band] : cases)
            QTest::addRow("%d", score) << score << band;
    }
    void scoreTableRowOfAScore()
    {
        QFETCH(int, score);
        QFETCH(int, band);
        QCOMPARE(scoreTableRowFor(score).band, band);
    }
};

QTEST_APPLESS_MAIN(TestTexts)
#include "test_texts.moc"
