#include "Marks.h"

#include <cstdio>

#include "../Measure.h"

namespace {

HANDLE marks = INVALID_HANDLE_VALUE;

} // namespace

bool OpenMarks(int argc, char** argv, const char* entryName)
{
    const double entry = Now();
    if (argc < 2)
        return false;
    marks = CreateFileA(argv[argc - 1], GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    Mark(entryName, entry);
    return marks != INVALID_HANDLE_VALUE;
}

// Written at once, unbuffered: the driver ends the process without warning.
void Mark(const char* name, double seconds)
{
    if (marks == INVALID_HANDLE_VALUE)
        return;
    char line[96];
    int length = std::snprintf(line, sizeof line, "%s %.6f\n", name, seconds);
    DWORD written = 0;
    WriteFile(marks, line, static_cast<DWORD>(length), &written, nullptr);
}

void Mark(const char* name)
{
    Mark(name, Now());
}

void CloseMarks()
{
    if (marks != INVALID_HANDLE_VALUE)
        CloseHandle(marks);
    marks = INVALID_HANDLE_VALUE;
}
