#include "picture.h"

#include "presentreport.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kWidth = 760;
constexpr double kLeft = 40, kRight = 720; // the score axis
constexpr double kTop = 64;                // the first row's band
constexpr double kRowHeight = 76;
constexpr double kNoteHeight = 20;

// Coordinates with one decimal; figures as they read back exactly (plainNumber).
std::string number(double v, int decimals = 1)
{
    return plainNumber(v, decimals);
}

std::string escaped(const std::string &text)
{
    static constexpr std::pair<char, const char *> kEntities[] = {
        {'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}};
    std::string out;
    for (const char c : text) {
        const auto *e = std::find_if(std::begin(kEntities), std::end(kEntities),
                                     [c](const auto &entity) { return entity.first == c; });
        out += e != std::end(kEntities) ? std::string(e->second) : std::string(1, c);
    }
    return out;
}

// The axis: from a round number below every value to one above, in 1, 2 or 5 steps.
struct Scale
{
    double from = 0, to = 1, step = 1;
    double x(double v) const { return kLeft + (v - from) / (to - from) * (kRight - kLeft); }
};

Scale scaleFor(const std::vector<PictureRow> &rows)
{
    std::vector<double> values;
    for (const PictureRow &row : rows) {
        values.insert(values.end(), row.scores.begin(), row.scores.end());
        if (row.limit)
            values.push_back(*row.limit);
    }
    if (values.empty())
        return {};
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    const double low = *lowest, high = *highest;
    const double rough = std::max(high - low, std::max(1.0, high * 0.02)) / 5;
    const double magnitude = std::pow(10, std::floor(std::log10(rough)));
    double step = magnitude;
    for (const double m : {2.0, 5.0, 10.0})
        if (step < rough)
            step = m * magnitude;
    const double from = std::floor(low / step) * step;
    return {from, std::max(from + step, std::ceil(high / step) * step), step};
}

std::string rowSvg(const PictureRow &row, const Scale &s, double y)
{
    const MedianInterval &i = row.score.interval;
    std::string out = "<g class=\"machine\" data-name=\"" + escaped(row.name) + "\">\n";
    out += "<text class=\"name\" x=\"" + number(kLeft) + "\" y=\"" + number(y - 22) + "\">" +
           escaped(row.name) + "</text>\n";
    out += "<rect class=\"interval\" x=\"" + number(s.x(i.low)) + "\" y=\"" + number(y - 8) +
           "\" width=\"" + number(std::max(1.0, s.x(i.high) - s.x(i.low))) +
           "\" height=\"16\" fill=\"#9ecae1\" data-low=\"" + plainNumber(i.low) +
           "\" data-high=\"" + plainNumber(i.high) + "\" data-confidence=\"" +
           plainNumber(i.confidence) + "\"/>\n";
    out += "<line class=\"median\" x1=\"" + number(s.x(row.score.median)) + "\" x2=\"" +
           number(s.x(row.score.median)) + "\" y1=\"" + number(y - 12) + "\" y2=\"" +
           number(y + 12) + "\" stroke=\"#08519c\" stroke-width=\"3\" data-median=\"" +
           plainNumber(row.score.median) + "\"/>\n";
    for (std::size_t k = 0; k < row.scores.size(); ++k) // equal scores side by side
        out += "<circle class=\"run\" cx=\"" + number(s.x(row.scores[k])) + "\" cy=\"" +
               number(y + 4.0 * double(int(k % 5) - 2)) +
               "\" r=\"4\" fill=\"#333\" fill-opacity=\"0.7\" data-score=\"" +
               plainNumber(row.scores[k]) + "\"/>\n";
    if (row.limit)
        out += "<line class=\"limit\" x1=\"" + number(s.x(*row.limit)) + "\" x2=\"" +
               number(s.x(*row.limit)) + "\" y1=\"" + number(y - 16) + "\" y2=\"" + number(y + 16) +
               "\" stroke=\"#d62728\" stroke-dasharray=\"4 3\" data-fps=\"" +
               plainNumber(*row.limit) + "\"/>\n<text class=\"limit-label\" x=\"" +
               number(s.x(*row.limit) - 4) + "\" y=\"" + number(y - 20) +
               "\" text-anchor=\"end\" fill=\"#d62728\">limit " + number(*row.limit, 0) +
               " fps</text>\n";
    return out + "</g>\n";
}

std::string axisSvg(const Scale &s, double y)
{
    std::string out = "<line class=\"axis\" x1=\"" + number(kLeft) + "\" x2=\"" + number(kRight) +
                      "\" y1=\"" + number(y) + "\" y2=\"" + number(y) + "\" stroke=\"#666\"/>\n";
    for (double v = s.from; v <= s.to + s.step / 2; v += s.step)
        out += "<text class=\"tick\" x=\"" + number(s.x(v)) + "\" y=\"" + number(y + 16) +
               "\" text-anchor=\"middle\">" + number(v, 0) + "</text>\n";
    return out + "<text x=\"" + number(kRight) + "\" y=\"" + number(y + 32) +
           "\" text-anchor=\"end\">score (frames per second)</text>\n";
}

} // namespace

std::string pictureSvg(const std::string &title, const std::vector<PictureRow> &rows,
                       const std::vector<std::string> &notes)
{
    const Scale scale = scaleFor(rows);
    const double axisY = kTop + kRowHeight * double(rows.size()) - 20;
    const double height = axisY + 56 + kNoteHeight * double(notes.size());
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      number(kWidth, 0) + "\" height=\"" + number(height, 0) +
                      "\" font-family=\"sans-serif\" font-size=\"12\">\n<title>" + escaped(title) +
                      "</title>\n<rect width=\"100%\" height=\"100%\" " +
                      "fill=\"white\"/>\n<text class=\"title\" x=\"" + number(kLeft) +
                      "\" y=\"26\" font-size=\"15\" font-weight=\"bold\">" + escaped(title) +
                      "</text>\n";
    for (std::size_t i = 0; i < rows.size(); ++i)
        out += rowSvg(rows[i], scale, kTop + 24 + kRowHeight * double(i));
    out += axisSvg(scale, axisY);
    for (std::size_t i = 0; i < notes.size(); ++i)
        out += "<text class=\"note\" x=\"" + number(kLeft) + "\" y=\"" +
               number(axisY + 56 + kNoteHeight * double(i)) + "\">" + escaped(notes[i]) +
               "</text>\n";
    return out + "</svg>\n";
}
