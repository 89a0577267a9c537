#include "Measure.h"

#include <algorithm>
#include <cstdio>

#include "wintk/Win.h"

double Now()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / frequency;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string Join(const std::vector<double>& values)
{
    std::string text;
    char buffer[32];
    for (double value : values) {
        std::snprintf(buffer, sizeof buffer, "%s%.3f", text.empty() ? "" : " ", value);
        text += buffer;
    }
    return text;
}

bool Gone(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

std::wstring Widen(const std::string& path)
{
    return std::wstring(path.begin(), path.end());
}
