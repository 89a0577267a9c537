// The background runs in a running application whose main window is built but does not
// probe by itself: what the progress window shows, and how the runs end.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "app/AboutForm.h"
#include "app/DelQuestsForm.h"
#include "app/GetInfAbCompForm.h"
#include "app/Initer.h"
#include "app/MainForm.h"
#include "support/GameSetup.h"
#include "support/Gui.h"
#include "support/GuiDriver.h"

namespace {

// The progress bars' messages (PBM_SETRANGE32 with its maximum, PBM_SETPOS with its
// position), and the progress windows shown, each handed to onProgressShown.
using BarMessage = std::pair<UINT, long long>;
std::vector<BarMessage> bar;
int progressShown;
void (*onProgressShown)(Control* form);

bool Watch(Control* control, MSG& msg, LRESULT&)
{
    if (control->IsCommonControl && (msg.message == PBM_SETRANGE32 || msg.message == PBM_SETPOS))
        bar.push_back({msg.message, msg.message == PBM_SETPOS ? static_cast<long long>(msg.wParam) : msg.lParam});
    if (msg.message == WM_SHOWWINDOW && msg.wParam && control->IsForm && control->Caption() == "Подождите...") {
        ++progressShown;
        if (onProgressShown)
            onProgressShown(control);
    }
    return false;
}

int bodyMs; // how long the test run's body takes

int SleepingBody(void*, WorkerThread*)
{
    Sleep(bodyMs);
    return 0;
}

bool testRunPending;
CarrierDialog* testDialog;
const RunKind TestRun = {"Test", 200, 60, false, false, &testRunPending, &testDialog, "Подождите, удаляю...", SleepingBody};

class RunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BuildMainWindow(app);
        MainFirstPaint = false;
        ASSERT_TRUE(app->CreateWindow());
        globals.EnterLoop(app);
        bar.clear();
        progressShown = 0;
        onProgressShown = nullptr;
        bodyMs = 0;
        GlobalMessageHook = Watch;
    }
    void TearDown() override { GlobalMessageHook = nullptr; }
    void RunDialog(CarrierDialog* dialog)
    {
        Control* form = dialog->Form;
        EXPECT_EQ(form->ShowModal(), -1);
        Free(form);
    }

    GameSetup pc{"runs"};
    ScopedApplication app{"Tessaly"};
    LoopGlobalsGuard globals;
};

TEST_F(RunTest, ProbeRunSetsTheButtonsAndDrivesTheBarFrom0To3)
{
    MakeRegKey(HKEY_LOCAL_MACHINE, NorvaneKeyPath);
    // The info line is as wide as its text (6 pixels a character) and centred.
    onProgressShown = [](Control* form) {
        EXPECT_EQ(CurrentProgressWindow->Info1Lab->Width(), 224);
        EXPECT_EQ(CurrentProgressWindow->Info1Lab->Left(), form->Width() / 2 - 112);
    };
    RunDialog(BuildProbeDialog(app));

    EXPECT_TRUE(TheMainWindow->DeleteNorvaneButton->IsEnabled());
    EXPECT_FALSE(TheMainWindow->DeleteQuestsButton->IsEnabled());
    EXPECT_EQ(progressShown, 1);
    ASSERT_GE(bar.size(), 2u);
    EXPECT_EQ(bar[0], BarMessage(PBM_SETRANGE32, 3));
    EXPECT_EQ(bar[1], BarMessage(PBM_SETPOS, 0));
    for (size_t i = 2; i < bar.size(); ++i) {
        EXPECT_EQ(bar[i].first, static_cast<UINT>(PBM_SETPOS));
        EXPECT_GE(bar[i].second, bar[i - 1].second);
        EXPECT_LE(bar[i].second, 3);
    }
    EXPECT_EQ(ProgressShown, 3) << "every stage was handed over";

    // The installer's folder alone, without its key, is enough for its button.
    MakeFolder(pc.Windows + "KalmirOriginal");
    RunDialog(BuildProbeDialog(app));
    EXPECT_TRUE(TheMainWindow->DeleteQuestsButton->IsEnabled());
    EXPECT_TRUE(TheMainWindow->DeleteNorvaneButton->IsEnabled());
}

TEST_F(RunTest, RemovalRunHidesTheBar)
{
    pc.RegisterGame(pc.Game);
    pc.InstallQuests();
    ProbeInstallation({});
    onProgressShown = [](Control* form) {
        // The form is not visible yet, so the bar's own style is what tells.
        HWND barWindow = CurrentProgressWindow->ProgressBar->Handle;
        EXPECT_FALSE(barWindow && (GetWindowLongA(barWindow, GWL_STYLE) & WS_VISIBLE));
        EXPECT_EQ(CurrentProgressWindow->Info1Lab->Width(), 140);
        EXPECT_EQ(CurrentProgressWindow->Info1Lab->Left(), form->Width() / 2 - 70);
    };
    RunDialog(BuildQuestsRemovalDialog(app));

    EXPECT_EQ(progressShown, 1);
    ASSERT_FALSE(bar.empty());
    EXPECT_EQ(bar[0], BarMessage(PBM_SETRANGE32, 0));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath)) << "the body did not run";
}

TEST_F(RunTest, QuickWorkerShowsTheProgressWindowOnceAndASecondPaintRunsNothing)
{
    Control* form = BuildCarrierDialog(app, TestRun)->Form;
    EXPECT_EQ(form->ShowModal(), -1);
    EXPECT_EQ(progressShown, 1);
    EXPECT_EQ(CurrentProgressWindow, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    form->Perform(WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    DeleteDC(dc);
    EXPECT_EQ(progressShown, 1);
    Free(form);
}

// The waiting UI thread sleeps; closing the progress window by hand neither ends the run
// before its worker nor leaves a window behind.
TEST_F(RunTest, SlowRunLeavesTheProcessorAndOutlivesItsClosedProgressWindow)
{
    bodyMs = 1500;
    onProgressShown = [](Control* form) { form->Close(); };
    FILETIME created, exited, kernel[2], user[2];
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel[0], &user[0]);
    DWORD start = GetTickCount();
    RunDialog(BuildCarrierDialog(app, TestRun));
    DWORD wall = GetTickCount() - start;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel[1], &user[1]);
    auto spent = [](const FILETIME* t) {
        auto ticks = [](const FILETIME& f) { return static_cast<ULONGLONG>(f.dwHighDateTime) << 32 | f.dwLowDateTime; };
        return (ticks(t[1]) - ticks(t[0])) / 10000;
    };
    ULONGLONG cpuMs = spent(kernel) + spent(user);

    EXPECT_EQ(progressShown, 1);
    EXPECT_GE(wall, 1400u) << "the run did not wait for its worker";
    EXPECT_LT(cpuMs * 10, wall) << "the UI thread used " << cpuMs << " ms of CPU in " << wall << " ms";
    EXPECT_EQ(CurrentProgressWindow, nullptr);
    EXPECT_EQ(app->Children->Count, 1) << "only the main window is left";
}

TEST_F(RunTest, AboutClosesByButtonAndByCloseBoxWithoutProbing)
{
    for (bool byButton : {true, false}) {
        DelayedCall close(20, [&] {
            ASSERT_NE(TheAboutWindow, nullptr);
            if (byButton)
                SendMessageA(TheAboutWindow->OkButton->Handle, BM_CLICK, 0, 0);
            else
                PostMessageA(TheAboutWindow->Form->Handle, WM_CLOSE, 0, 0);
        });
        TheMainWindow->AboutButton->Click(); // shows the About window modally
        EXPECT_TRUE(close.Fired());
        EXPECT_EQ(TheAboutWindow, nullptr);
        EXPECT_TRUE(TheMainWindow->Form->IsEnabled()) << "the main window is usable again";
    }
    EXPECT_EQ(progressShown, 0);
    EXPECT_FALSE(ProbeRunPending);
}

} // namespace
