// Every static text and button caption of the main, About and progress windows fits its
// control at 96, 120, 144 and 192 DPI, and the controls grow by the DPI's factor. Wine
// takes the DPI from LogPixels when a process starts, so each DPI is measured by a second
// run of this program, which builds and measures the windows itself.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/AboutForm.h"
#include "app/InProcessForm.h"
#include "app/MainForm.h"
#include "support/GuiDriver.h"
#include "support/Sandbox.h"

namespace {

const char DpiVariable[] = "TESSALY_FIT_DPI";

// Measured with the flags that the system's static and button draw with, on the control's font.
void ExpectTextsFit(Control* control)
{
    for (int i = 0; i < control->Children->Count; ++i) {
        auto* child = static_cast<Control*>((*control->Children)[i]);
        ExpectTextsFit(child);
        wchar_t text[256] = L"";
        if (!(GetWindowLongW(child->Handle, GWL_STYLE) & WS_VISIBLE) || !GetWindowTextW(child->Handle, text, 256))
            continue;
        UINT flags = child->IsLabel ? DT_LEFT | DT_EXPANDTABS | DT_NOPREFIX : DT_CENTER | DT_VCENTER | DT_SINGLELINE;
        HDC dc = GetDC(child->Handle);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(child->Handle, WM_GETFONT, 0, 0)));
        RECT needed = {}, client = child->ClientRect();
        DrawTextW(dc, text, -1, &needed, DT_CALCRECT | flags);
        SelectObject(dc, old);
        ReleaseDC(child->Handle, dc);
        EXPECT_TRUE(needed.right <= client.right && needed.bottom <= client.bottom)
            << child->Caption() << ": " << needed.right << " x " << needed.bottom << " in " << client.right << " x " << client.bottom;
    }
}

using TextsFit = WindowTest;

TEST_F(TextsFit, InTheWindowsOfThisProcess)
{
    const char* wanted = std::getenv(DpiVariable);
    if (!wanted)
        GTEST_SKIP() << "run by DisplayScales.TextsFitAtEveryOne with the prefix set to a DPI";
    const int dpi = std::atoi(wanted);
    ASSERT_EQ(WindowDpi(nullptr), dpi) << "LogPixels did not reach this process";
    MainWindow* main = BuildMainWindow(app);
    MainFirstPaint = false;
    Control* about = BuildAboutWindow(app)->Form;
    ProgressWindow* progress = BuildProgressWindow(app);
    progress->Info1Lab->SetCaption("Подождите, собираю информацию...");
    ASSERT_TRUE(app->CreateWindow());
    FitInfoLines(progress);
    for (Control* form : {main->Form, about, progress->Form})
        ExpectTextsFit(form);
    // Larger by the DPI's factor: a text line, the About window's client and a button.
    EXPECT_EQ(main->TextLine2->ClientWidth(), MulDiv(648, dpi, 96));
    EXPECT_EQ(about->ClientWidth(), MulDiv(304, dpi, 96));
    EXPECT_EQ(main->ExitButton->Height(), MulDiv(30, dpi, 96));
}

TEST(DisplayScales, TextsFitAtEveryOne)
{
    const char key[] = "Control Panel\\Desktop", value[] = "LogPixels";
    DWORD saved = 0, size = sizeof saved;
    bool had = RegGetValueA(HKEY_CURRENT_USER, key, value, RRF_RT_REG_DWORD, nullptr, &saved, &size) == ERROR_SUCCESS;
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    for (DWORD dpi : {96, 120, 144, 192}) {
        RegSetKeyValueA(HKEY_CURRENT_USER, key, value, REG_DWORD, &dpi, sizeof dpi);
        SetEnvironmentVariableA(DpiVariable, std::to_string(dpi).c_str());
        DWORD code = 1;
        EXPECT_TRUE(RunProgram(self, L"--gtest_filter=TextsFit.InTheWindowsOfThisProcess", code) && code == 0) << "at " << dpi << " DPI";
    }
    SetEnvironmentVariableA(DpiVariable, nullptr);
    if (had)
        RegSetKeyValueA(HKEY_CURRENT_USER, key, value, REG_DWORD, &saved, sizeof saved);
    else
        RegDeleteKeyValueA(HKEY_CURRENT_USER, key, value);
}

} // namespace
