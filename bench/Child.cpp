#include "Child.h"

#include "Measure.h"
#include "wintk/Win.h"

double TimeCmd(const std::string& arguments)
{
    char system[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, sizeof system);
    if (length == 0 || length >= sizeof system)
        return -1;
    std::string line = std::string("\"") + system + "\\cmd.exe\" /c " + arguments;

    // The child reads and writes NUL: a message of rd must not mix with the ratio lines.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process = {};

    double start = Now();
    BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &process);
    if (started)
        WaitForSingleObject(process.hProcess, INFINITE);
    double seconds = Now() - start;

    if (nul != INVALID_HANDLE_VALUE)
        CloseHandle(nul);
    if (!started)
        return -1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return seconds;
}
