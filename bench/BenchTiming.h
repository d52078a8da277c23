// The timing loop the benchmarks share: one run to warm caches and code paths, then `runs` timed
// runs; prints the median, minimum and maximum in milliseconds and returns the median.
#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

inline double TimeRuns(const char* what, int runs, const std::function<void()>& run) {
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
    std::printf("%-52s median %8.2f ms   min %8.2f   max %8.2f   (%d runs)\n", what, median,
                ms.front(), ms.back(), runs);
    return median;
}
