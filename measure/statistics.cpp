#include "statistics.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace {

// Pooled samples up to this size get the exact distribution.
constexpr int kExactRankTestLimit = 100;

// The logarithm of n choose k, so that long series neither overflow nor underflow.
double logChoose(int n, int k)
{
    return std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0);
}

// Coverage of [x(j), x(n+1-j)], 1-based order statistics: 1 - 2 P(B < j) for
// B ~ Binomial(n, 1/2).
double coverage(int n, int j)
{
    double below = 0;
    for (int i = 0; i < j; ++i)
        below += std::exp(logChoose(n, i) - n * std::numbers::ln2);
    return std::max(0.0, 1.0 - 2.0 * below);
}

// The share of all placements of k of the values whose doubled rank sum lies at least as
// far from its mean as `observed`, counted over every placement.
double exactP(const std::vector<int> &rank2, int k, long long observed)
{
    const int total = int(rank2.size());
    const long long mean2 = (long long)k * (total + 1);
    const int maxSum = total * (total + 1);
    std::vector<std::vector<double>> ways(std::size_t(k + 1),
                                          std::vector<double>(std::size_t(maxSum + 1), 0.0));
    ways[0][0] = 1;
    for (int item = 0; item < total; ++item) {
        const int r = rank2[std::size_t(item)];
        for (int size = std::min(item + 1, k); size >= 1; --size) {
            auto &to = ways[std::size_t(size)];
            const auto &from = ways[std::size_t(size - 1)];
            for (int s = maxSum; s >= r; --s)
                to[std::size_t(s)] += from[std::size_t(s - r)];
        }
    }
    const long long distance = std::llabs(observed - mean2);
    double extreme = 0, all = 0;
    for (int s = 0; s <= maxSum; ++s) {
        const double w = ways[std::size_t(k)][std::size_t(s)];
        all += w;
        if (std::llabs(s - mean2) >= distance)
            extreme += w;
    }
    return std::min(1.0, extreme / all);
}

} // namespace

Summary summarise(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    Summary s;
    s.runs = int(n);
    s.min = values.front();
    s.max = values.back();
    s.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    s.mean = std::accumulate(values.begin(), values.end(), 0.0) / double(n);
    if (n > 1 && s.mean > 0) {
        double squares = 0;
        for (double v : values)
            squares += (v - s.mean) * (v - s.mean);
        s.cv = std::sqrt(squares / double(n - 1)) / s.mean;
    }
    // The narrowest [x(j), x(n+1-j)] that still reaches the level, else min to max.
    int j = 1;
    while (2 * (j + 1) <= int(n) + 1 && coverage(int(n), j + 1) >= kConfidenceLevel)
        ++j;
    s.interval = {values[std::size_t(j - 1)], values[n - std::size_t(j)], coverage(int(n), j)};
    return s;
}

int fewestRunsFor(double level)
{
    int n = 1;
    while (coverage(n, 1) < level && n < 1000)
        ++n;
    return n;
}

int runsNeeded(double cv)
{
    // The two-sided normal quantile of kConfidenceLevel.
    constexpr double z = 1.959963984540054;
    // For normal scores the median's variance is pi/2 times the mean's.
    const double n = std::numbers::pi / 2 * std::pow(z * cv / (kUnstableCv / 2), 2);
    return std::max(fewestRunsFor(kConfidenceLevel), int(std::ceil(n)));
}

RankTest mannWhitney(const std::vector<double> &a, const std::vector<double> &b)
{
    const int n1 = int(a.size()), n2 = int(b.size()), total = n1 + n2;
    // The pooled values' midranks, doubled so that they stay whole numbers; a's doubled rank
    // sum, and the tie term of the normal approximation.
    std::vector<std::pair<double, bool>> pooled; // value, from a
    for (double v : a)
        pooled.push_back({v, true});
    for (double v : b)
        pooled.push_back({v, false});
    std::sort(pooled.begin(), pooled.end(), [](auto &l, auto &r) { return l.first < r.first; });
    std::vector<int> rank2(pooled.size());
    long long sumA2 = 0;
    double tieTerm = 0;
    for (int i = 0; i < total;) {
        int j = i;
        while (j + 1 < total && pooled[std::size_t(j + 1)].first == pooled[std::size_t(i)].first)
            ++j;
        for (int k = i; k <= j; ++k) {
            rank2[std::size_t(k)] = i + j + 2;
            sumA2 += pooled[std::size_t(k)].second ? i + j + 2 : 0;
        }
        const double t = j - i + 1;
        tieTerm += t * t * t - t;
        i = j + 1;
    }
    RankTest test;
    test.u = double(sumA2) / 2 - n1 * (n1 + 1) / 2.0;
    if (total > kExactRankTestLimit) {
        const double mean = n1 * double(n2) / 2;
        const double variance =
            n1 * double(n2) / 12 * ((total + 1) - tieTerm / (double(total) * (total - 1)));
        if (variance <= 0)
            return test;
        const double z = std::max(0.0, std::abs(test.u - mean) - 0.5) / std::sqrt(variance);
        test.p = std::min(1.0, std::erfc(z / std::numbers::sqrt2));
        test.exact = false;
        return test;
    }
    // The smaller group's doubled rank sum; the larger group's lies exactly as far from
    // its own mean.
    const bool smallerIsA = n1 <= n2;
    const long long observed = smallerIsA ? sumA2 : (long long)total * (total + 1) - sumA2;
    test.p = exactP(rank2, smallerIsA ? n1 : n2, observed);
    return test;
}

std::vector<double> holm(const std::vector<double> &p)
{
    std::vector<std::size_t> order(p.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](auto l, auto r) { return p[l] < p[r]; });
    std::vector<double> corrected(p.size());
    double highest = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        highest = std::max(highest, std::min(1.0, double(p.size() - k) * p[order[k]]));
        corrected[order[k]] = highest;
    }
    return corrected;
}

double smallestRankTestP(int n1, int n2)
{
    return std::min(1.0, 2.0 / std::round(std::exp(logChoose(n1 + n2, n1))));
}

int fewestRunsToReach(double significance)
{
    int n = 1;
    while (smallestRankTestP(n, n) >= significance && n < 1000)
        ++n;
    return n;
}
