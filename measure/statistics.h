// How sure a series of scores is, and whether two series differ: order statistics and a
// rank test, so that nothing assumes the scores are normally distributed.
#pragma once

#include <vector>

// [low, high] holds the true median with probability `confidence`, whatever the
// distribution of the scores.
struct MedianInterval
{
    double low = 0;
    double high = 0;
    double confidence = 0;
};

struct Summary
{
    int runs = 0;
    double median = 0;
    double min = 0;
    double max = 0;
    double mean = 0;
    double cv = 0; // sample standard deviation over the mean; 0 below two runs
    MedianInterval interval;
};

// A series whose variation is above this is unstable.
constexpr double kUnstableCv = 0.05;
constexpr double kConfidenceLevel = 0.95;
constexpr double kSignificance = 0.05;

// values must not be empty. The median's interval is the narrowest between order
// statistics, symmetric about the middle, that reaches kConfidenceLevel; with fewer values
// than fewestRunsFor that, min to max with the confidence it does have.
Summary summarise(std::vector<double> values);
// The fewest runs whose min to max reaches `level`: six at 95 %.
int fewestRunsFor(double level);

// Runs after which the median's 95 % interval spans about half the unstable threshold
// either side of it, for a series that varies by cv, so that a difference of the threshold
// between two machines shows. At least fewestRunsFor.
int runsNeeded(double cv);

struct RankTest
{
    double p = 1;      // two-sided
    bool exact = true; // false: normal approximation with the tie correction
    double u = 0;      // Mann-Whitney U of the first sample
};

// Two-sided Mann-Whitney test of a against b, exact for a bench's pooled samples. The
// exact test counts, over every way of splitting the pooled values into groups of a's and
// b's sizes, how often the first group's rank sum (midranks for ties) lies as far from its
// mean as a's does. Both samples must be non-empty.
RankTest mannWhitney(const std::vector<double> &a, const std::vector<double> &b);

// Holm's correction of the p-values of several tests against one reference: the smallest p
// times the number of tests, the next times one fewer, and so on, never below an earlier
// one nor above 1. A test whose corrected p is below the significance level is significant
// with the whole family's error held to that level.
std::vector<double> holm(const std::vector<double> &p);

// The smallest two-sided p the exact test can reach for these sizes: below 5 % only from
// four runs each, or three against five.
double smallestRankTestP(int n1, int n2);
// The fewest runs each for which a difference can reach `significance`.
int fewestRunsToReach(double significance);
