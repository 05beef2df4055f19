// How a label lays out its caption, whatever draws it: the lines (CR LF, LF CR and a lone
// CR or LF each break one), the size it takes (an empty caption measures as one space) and
// where each line starts so that it is centred within the label's width.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

// The caption's lines, as views into it.
std::vector<std::string_view> splitLabelLines(std::string_view caption);

struct LabelLayout
{
    int width = 0;
    int height = 0;
    std::vector<std::string_view> lines; // views into the caption laid out
    std::vector<int> lineLefts;          // each line's left edge inside the label
};

// Italics lean past the advance, at most about a fifth of the ascent. It is allowed for
// once per font rather than by each text's ink, so texts of equal advance get equal widths
// and the scrolling status line stays centred.
constexpr int italicOverhang(bool italic, int ascent)
{
    return italic ? (ascent + 4) / 5 : 0;
}

// Lays out `caption` with `advance` giving a line's width in the label's font, `lineHeight`
// its line spacing and `overhang` what each line needs beyond its advance.
LabelLayout layoutLabel(std::string_view caption,
                        const std::function<int(std::string_view)> &advance, int lineHeight,
                        int overhang);
