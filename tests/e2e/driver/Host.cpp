#include "Host.h"

#include <cstdlib>
#include <vector>

#include "Poll.h"
#include "wintk/Win.h"

std::string UnixPathOf(const std::string& windowsPath)
{
    std::string path = windowsPath;
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    const char* prefix = std::getenv("WINEPREFIX");
    std::string unixPath = std::string(prefix ? prefix : "") + "/drive_c/" + path.substr(3);
    for (char& c : unixPath)
        if (c == '\\')
            c = '/';
    return unixPath;
}

// Wine signals the handle of a unix process at once instead of when it ends, so the
// command leaves a marker file as its last act and the wait is for that file.
bool RunOnHost(const std::string& shellCommand, int timeoutMs)
{
    static int serial = 0;
    const std::string marker =
        "C:\\tessaly-e2e-host-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    std::string command = "Z:\\bin\\sh -c \"" + shellCommand + "; : > '" + UnixPathOf(marker) + "'\"";
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    bool done = WaitUntil([&] { return GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs);
    DeleteFileA(marker.c_str());
    return done;
}

bool MakeManyFiles(const std::string& folder, int count)
{
    const std::string target = UnixPathOf(folder);
    return RunOnHost("mkdir -p '" + target + "' && cd '" + target + "' && seq -f f%05g.dat 1 " +
                     std::to_string(count) + " | xargs touch");
}
