// Saves the README's pictures of Tessaly's windows. scripts/screenshots runs it under
// Xvfb in the build's prefix, with the unix folder for the PNGs as its argument, and once
// more under code page 1252 with "cp1252" after it for the main window alone.
#include <cstdio>
#include <string>

#include "TessalyProcess.h"
#include "support/GameSetup.h"

namespace {

std::string folder;

// Crops the window from a screenshot of the whole (virtual) desktop.
bool Shoot(HWND window, const char* name)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    WaitUntil([&] { return !GetUpdateRect(window, nullptr, FALSE); }, 2000);
    PauseServing(300); // the X server draws a little after the paint has returned
    RECT r;
    if (!GetWindowRect(window, &r))
        return false;
    int width = r.right - r.left, height = r.bottom - r.top;
    std::printf("%s: %d x %d at %ld,%ld\n", name, width, height, r.left, r.top);
    std::string crop = std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(r.left) + "+" +
                       std::to_string(r.top);
    // Without the date chunks, a new run of unchanged windows leaves the files as they were.
    return RunOnHost("xwd -root -silent | /usr/bin/convert xwd:- -crop " + crop +
                     " +repage -define png:exclude-chunks=date,time '" + folder + "/" + name + "'") &&
           IsWindow(window);
}

bool Fail(const char* what)
{
    std::fprintf(stderr, "screenshots: %s\n", what);
    return false;
}

// A Tessaly of its own for one picture of the main window; dpi, when given, is the
// prefix's LogPixels while it starts.
bool ShootMainWindow(const char* name, DWORD dpi)
{
    GameSetup pc{"screenshots-main"};
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    pc.InstallQuests();
    pc.InstallNorvane();
    const char key[] = "Control Panel\\Desktop", value[] = "LogPixels";
    if (dpi)
        RegSetKeyValueA(HKEY_CURRENT_USER, key, value, REG_DWORD, &dpi, sizeof dpi);
    TessalyProcess app;
    bool started = app.Start();
    if (dpi)
        RegDeleteKeyValueA(HKEY_CURRENT_USER, key, value);
    if (!started)
        return Fail("Tessaly did not come up");
    if (!Shoot(app.Main(), name))
        return Fail("no picture of the main window");
    PostMessageA(app.Main(), WM_CLOSE, 0, 0);
    DWORD code = 0;
    return app.WaitExit(5000, code) || Fail("Tessaly did not end");
}

bool ShootAll()
{
    // Both variants installed, so that both removal buttons are enabled; a backup folder
    // large enough that the removal's progress window stays up for a few seconds.
    GameSetup pc{"screenshots"};
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    pc.InstallQuests();
    pc.InstallNorvane();
    if (!MakeManyFiles(pc.Game + "Stavor\\Many", 8000))
        return Fail("could not make the backup files");

    TessalyProcess app;
    if (!app.Start())
        return Fail("Tessaly did not come up");
    if (!Shoot(app.Main(), "main-window.png"))
        return Fail("no picture of the main window");
    // Wine draws a window that lies wholly inside another one's rectangle black on this
    // X server; the centred About and progress windows would, so the main window moves up.
    RECT r;
    GetWindowRect(app.Main(), &r);
    SetWindowPos(app.Main(), nullptr, r.left, 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    PostMessageA(app.MainChild(AboutButtonCaption), BM_CLICK, 0, 0);
    HWND about = nullptr;
    if (!WaitUntil([&] { return (about = app.FindWindow("obj_Form", AboutCaption)) && IsWindowVisible(about); }, 3000))
        return Fail("the About window did not open");
    if (!Shoot(about, "about-window.png"))
        return Fail("no picture of the About window");
    PostMessageA(FindChild(about, "ОК"), BM_CLICK, 0, 0);
    if (!app.WaitSettled())
        return Fail("the About window did not close");

    PostMessageA(app.MainChild(QuestsCaption), BM_CLICK, 0, 0);
    std::string text;
    HWND box = app.WaitMessageBox(text);
    if (!box || !app.Answer(box, IDYES))
        return Fail("no confirmation");
    HWND progress = nullptr;
    if (!WaitUntil([&] { return (progress = app.RemovalProgressWindow()) != nullptr; }, 3000))
        return Fail("no progress window");
    if (!Shoot(progress, "progress-window.png"))
        return Fail("no picture of the progress window (did the removal end too early?)");
    if (!WaitUntil([&] { return !IsWindowEnabled(app.MainChild(QuestsCaption)) && app.Settled(); }, 60000))
        return Fail("the removal did not end");

    PostMessageA(app.Main(), WM_CLOSE, 0, 0);
    DWORD code = 0;
    if (!app.WaitExit(5000, code))
        return Fail("Tessaly did not end");
    app.Kill();
    return ShootMainWindow("main-window-150.png", 144);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3 || (argc == 3 && std::string(argv[2]) != "cp1252")) {
        std::fprintf(stderr, "usage: e2e_screenshots UNIX-FOLDER [cp1252]\n");
        return 2;
    }
    folder = argv[1];
    if (argc == 3)
        return ShootMainWindow("main-window-1252.png", 0) ? 0 : 1;
    return ShootAll() ? 0 : 1;
}
