#include "ellipse.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <utility>

namespace {

struct Point
{
    double x, y;
};

struct Cubic
{
    Point p0, p1, p2, p3;
};

struct Vertex
{
    int x, y;
};

// How far a quarter's control points lie from its ends, as a share of the half axis.
constexpr double kKappa = 0.5522847498;
// A quarter is split until its control points lie this close to its chord, in pixels.
constexpr double kFlatness = 0.5;
// Splits into first halves in a row, far more than any window needs.
constexpr int kMaxFirstHalves = 31;

Point middle(Point a, Point b)
{
    return {(a.x + b.x) * 0.5, (a.y + b.y) * 0.5};
}

// The control points' distance from the chord, measured as twice the triangles they make
// with it, against the chord's length in city blocks; a chord shorter than a pixel counts
// as one and the control points' own distance from the start is taken.
bool flatEnough(const Cubic &c)
{
    const double dx = c.p3.x - c.p0.x, dy = c.p3.y - c.p0.y;
    double chord = std::abs(dx) + std::abs(dy);
    double off = 0;
    if (chord > 1.0) {
        off = std::abs(dx * (c.p0.y - c.p1.y) - dy * (c.p0.x - c.p1.x)) +
              std::abs(dx * (c.p0.y - c.p2.y) - dy * (c.p0.x - c.p2.x));
    } else {
        off = std::abs(c.p0.x - c.p1.x) + std::abs(c.p0.y - c.p1.y) + std::abs(c.p0.x - c.p2.x) +
              std::abs(c.p0.y - c.p2.y);
        chord = 1.0;
    }
    return off < kFlatness * chord;
}

// Appends the ends of the curve's flat pieces, in order, halving it at t = 1/2.
void flatten(const Cubic &c, int firstHalves, std::vector<Point> &out)
{
    if (flatEnough(c) || firstHalves == kMaxFirstHalves) {
        out.push_back(c.p3);
        return;
    }
    const Point a = middle(c.p0, c.p1), b = middle(c.p1, c.p2), d = middle(c.p2, c.p3);
    const Point ab = middle(a, b), bd = middle(b, d);
    const Point mid = middle(ab, bd);
    flatten({c.p0, a, ab, mid}, firstHalves + 1, out);
    flatten({mid, bd, d, c.p3}, firstHalves, out);
}

// The outline, starting at the right end of the horizontal axis and going down first.
std::vector<Vertex> outline(int width, int height)
{
    const double w = width, h = height;
    const double w2 = w / 2, h2 = h / 2, w2k = w2 * kKappa, h2k = h2 * kKappa;
    const std::array<Cubic, 4> quarters = {{
        {{w, h2}, {w, h2 + h2k}, {w2 + w2k, h}, {w2, h}},
        {{w2, h}, {w2 - w2k, h}, {0, h2 + h2k}, {0, h2}},
        {{0, h2}, {0, h2 - h2k}, {w2 - w2k, 0}, {w2, 0}},
        {{w2, 0}, {w2 + w2k, 0}, {w, h2 - h2k}, {w, h2}},
    }};
    std::vector<Point> points{quarters[0].p0};
    for (const Cubic &quarter : quarters)
        flatten(quarter, 0, points);
    std::vector<Vertex> vertices;
    vertices.reserve(points.size());
    for (const Point &p : points)
        vertices.push_back({int(std::floor(p.x + 0.5)), int(std::floor(p.y + 0.5))});
    return vertices;
}

// The smallest whole number not below n / d, for d > 0.
int ceilDiv(long long n, long long d)
{
    return int(n >= 0 ? (n + d - 1) / d : -((-n) / d));
}

using Spans = std::vector<std::pair<int, int>>; // [left, right)

// The polygon's pixels in each row from `top`, filled by the even-odd rule at the pixels'
// top-left corners.
std::vector<Spans> fill(const std::vector<Vertex> &vertices, int top, int bottom)
{
    std::vector<std::vector<int>> crossings(std::size_t(bottom - top));
    Vertex previous = vertices.back();
    for (const Vertex &current : vertices) {
        if (previous.y != current.y) {
            const Vertex &upper = previous.y < current.y ? previous : current;
            const Vertex &lower = previous.y < current.y ? current : previous;
            const long long dx = lower.x - upper.x, dy = lower.y - upper.y;
            for (int y = upper.y; y < lower.y; ++y)
                crossings[std::size_t(y - top)].push_back(upper.x +
                                                          ceilDiv((y - upper.y) * dx, dy));
        }
        previous = current;
    }
    std::vector<Spans> rows(crossings.size());
    for (std::size_t i = 0; i < crossings.size(); ++i) {
        std::vector<int> &xs = crossings[i];
        std::sort(xs.begin(), xs.end());
        for (std::size_t k = 0; k + 1 < xs.size(); k += 2) {
            if (xs[k] == xs[k + 1])
                continue;
            if (!rows[i].empty() && rows[i].back().second == xs[k])
                rows[i].back().second = xs[k + 1];
            else
                rows[i].emplace_back(xs[k], xs[k + 1]);
        }
    }
    return rows;
}

} // namespace

std::vector<ShapeBand> ellipseBands(int width, int height)
{
    std::vector<ShapeBand> bands;
    if (width <= 0 || height <= 0)
        return bands;
    const std::vector<Vertex> vertices = outline(width, height);
    const auto [low, high] = std::minmax_element(vertices.begin(), vertices.end(),
                                                 [](Vertex a, Vertex b) { return a.y < b.y; });
    const int top = low->y;
    const std::vector<Spans> rows = fill(vertices, top, high->y);
    // A row like the one above it lengthens that row's bands.
    std::size_t rowStart = 0;
    const Spans *above = nullptr;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Spans &row = rows[i];
        if (row.empty()) {
            above = nullptr;
            continue;
        }
        if (above && *above == row) {
            for (std::size_t k = rowStart; k < bands.size(); ++k)
                ++bands[k].height;
            continue;
        }
        rowStart = bands.size();
        for (const auto &[left, right] : row)
            bands.push_back({left, top + int(i), right - left, 1});
        above = &row;
    }
    return bands;
}

bool contains(const std::vector<ShapeBand> &bands, int x, int y)
{
    return std::ranges::any_of(bands, [x, y](const ShapeBand &b) {
        return x >= b.left && x < b.left + b.width && y >= b.top && y < b.top + b.height;
    });
}
