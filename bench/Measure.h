#pragma once
// Wall-clock timing and the statistics the benchmark reports.
#include <string>
#include <vector>

// Seconds on the performance counter (a monotonic clock under Wine).
double Now();
double Median(std::vector<double> values);
std::string Join(const std::vector<double>& values);
// An ASCII path in wide characters (the benchmark's paths are ASCII).
std::wstring Widen(const std::string& path);
// Whether nothing is left at path.
bool Gone(const std::string& path);
