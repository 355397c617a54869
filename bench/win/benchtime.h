// Timing helpers shared by the benchmark programs.
#pragma once
#include <windows.h>

#include <algorithm>
#include <vector>

// Milliseconds on the performance counter.
inline double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

// The middle value (the upper one of an even count); 0 for none.
inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}
