// The benchmarks' timing of one step: run once to warm the page cache and the code paths, then
// `runs` times; the median, fastest and slowest run in milliseconds, printed on one line in the
// benchmark's own columns.
#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

struct TimingColumns {
    int nameWidth;    // the step's name, left-aligned
    int figureWidth;  // each figure, two decimals
    bool runCount;    // "(N runs)" at the end
};

// Returns the median in milliseconds.
inline double MedianTiming(const char* what, int runs, const TimingColumns& columns,
                           const std::function<void()>& run) {
    run();
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf("%-*s median %*.2f ms   min %*.2f   max %*.2f", columns.nameWidth, what,
                columns.figureWidth, median, columns.figureWidth, ms.front(), columns.figureWidth,
                ms.back());
    if (columns.runCount) std::printf("   (%d runs)", runs);
    std::printf("\n");
    return median;
}
