// How far a measurement is, on one line of a terminal that rewrites itself: run k of N (or
// until the median is pinned), what runs now, the time gone and the time left. Nothing at
// all when standard error is not a terminal.
#pragma once

#include <QString>

#include <chrono>
#include <optional>

class Progress
{
public:
    // `steps`: the programs' runs planned, or at most; `precision`: the ± per cent the runs
    // go on until, when they do.
    Progress(int steps, std::optional<double> precision);
    ~Progress() { clear(); }

    // The steps planned after all, once known.
    void plan(int steps) { m_steps = steps; }
    // Plovex's run `run` (from 1) of `runs`, and what runs in it now; one step more.
    void begin(int run, int runs, const QString &what);
    // Shows the line again, at most once a second, so that the time gone moves.
    void tick();
    // Takes the line away, before other output.
    void clear();

private:
    void show();

    bool m_terminal;
    int m_steps;
    std::optional<double> m_precision;
    int m_done = -1;
    QString m_what;
    const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_shown;
};
