// A result, or the comparison of two, as one self-contained SVG a browser opens: each
// run's score as a dot on its machine's row, the median and its interval as a bar, the
// limit where it was measured, the verdict as the title and the differences under it.
// Standard library only: the picture is text.
#pragma once

#include "statistics.h"

#include <optional>
#include <string>
#include <vector>

struct PictureRow
{
    std::string name; // the machine or the file
    std::vector<double> scores;
    Summary score;               // its median and the median's interval
    std::optional<double> limit; // fps
};

std::string pictureSvg(const std::string &title, const std::vector<PictureRow> &rows,
                       const std::vector<std::string> &notes);
