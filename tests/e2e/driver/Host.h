#pragma once
// Commands run on the unix host from a test of the prefix: faster ways to make large
// folders, and screenshots. Paths here are Windows paths on drive C: of the prefix.
#include <string>

// The unix path of a C: path of the prefix (WINEPREFIX/drive_c/...), without a trailing slash.
std::string UnixPathOf(const std::string& windowsPath);
// Runs a command with /bin/sh and waits (up to timeoutMs) for it to finish.
bool RunOnHost(const std::string& shellCommand, int timeoutMs = 20000);
// Makes count empty files "f00001.dat"... in folder (created when missing), from the host:
// a few microseconds a file where CreateFileA under Wine costs some hundreds.
bool MakeManyFiles(const std::string& folder, int count);
