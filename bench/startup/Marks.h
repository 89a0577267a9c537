#pragma once
// Marks of a start for startup_bench: a name and the performance counter, a line each, in
// the file that the driver names as the program's last argument.
#include "wintk/Win.h"

// Opens the file of the last argument and marks the program's entry, the time of this call,
// under entryName; false (and no marks) without one.
bool OpenMarks(int argc, char** argv, const char* entryName);
void Mark(const char* name, double seconds);
void Mark(const char* name);
void CloseMarks();
