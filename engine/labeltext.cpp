#include "labeltext.h"

#include <algorithm>

std::vector<std::string_view> splitLabelLines(std::string_view caption)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const char c = caption[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.push_back(caption.substr(start, i - start));
        const char pair = c == '\r' ? '\n' : '\r';
        if (i + 1 < caption.size() && caption[i + 1] == pair)
            ++i;
        start = i + 1;
    }
    lines.push_back(caption.substr(start));
    return lines;
}

LabelLayout layoutLabel(std::string_view caption,
                        const std::function<int(std::string_view)> &advance, int lineHeight,
                        int overhang)
{
    static constexpr std::string_view kOneSpace = " ";
    LabelLayout layout;
    layout.lines = splitLabelLines(caption.empty() ? kOneSpace : caption);
    std::vector<int> widths;
    widths.reserve(layout.lines.size());
    for (std::string_view line : layout.lines) {
        // Centred with its lean, so the widest line's ink fits.
        widths.push_back(advance(line) + overhang);
        layout.width = std::max(layout.width, widths.back());
    }
    for (int w : widths)
        layout.lineLefts.push_back((layout.width - w) / 2);
    layout.height = lineHeight * static_cast<int>(layout.lines.size());
    return layout;
}
