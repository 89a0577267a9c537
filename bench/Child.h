#pragma once
// Runs cmd.exe as a child of the benchmark, the way a user would remove a tree instead.
#include <string>

// Seconds from CreateProcess of `cmd /c arguments` to the child's end, or a negative
// value when the child could not be started.
double TimeCmd(const std::string& arguments);
