#include <gtest/gtest.h>

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

// What the progress bars and the progress window were told during a run.
struct Seen {
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
};
std::vector<Seen> barMessages;
int progressShown;
void (*onProgressShown)(Control* form);

bool Watch(Control* control, MSG& msg, LRESULT&)
{
    if (control->IsCommonControl && (msg.message == PBM_SETRANGE32 || msg.message == PBM_SETPOS))
        barMessages.push_back({msg.message, msg.wParam, msg.lParam});
    if (msg.message == WM_SHOWWINDOW && msg.wParam && control->IsForm && control->Caption() == "Подождите...") {
        ++progressShown;
        if (onProgressShown)
            onProgressShown(control);
    }
    return false;
}

int SlowBody(void*, WorkerThread*)
{
    Sleep(1500);
    return 0;
}

int QuickBody(void*, WorkerThread*)
{
    return 0;
}

bool testRunPending;
CarrierDialog* testDialog;
const RunKind SlowRun = {"Slow", 10, 10, 200, 60, false, false, &testRunPending, &testDialog, "Подождите, удаляю...", SlowBody};
const RunKind QuickRun = {"Quick", 10, 10, 200, 60, false, false, &testRunPending, &testDialog, "Подождите, удаляю...", QuickBody};

// A running application with the main window built but not probing by itself.
class RunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BuildMainWindow(app);
        MainFirstPaint = false;
        ASSERT_TRUE(app->CreateWindow());
        globals.EnterLoop(app);
        barMessages.clear();
        progressShown = 0;
        onProgressShown = nullptr;
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

TEST_F(RunTest, ProbeRunSetsTheButtonsAndDrivesTheBar)
{
    MakeRegKey(HKEY_LOCAL_MACHINE, NorvaneKeyPath);
    RunDialog(BuildProbeDialog(app));

    EXPECT_TRUE(TheMainWindow->DeleteNorvaneButton->IsEnabled());
    EXPECT_FALSE(TheMainWindow->DeleteQuestsButton->IsEnabled());
    EXPECT_EQ(ProbeDialog, nullptr) << "the reference dies with the dialog";
    EXPECT_EQ(CurrentProgressWindow, nullptr);
    EXPECT_EQ(progressShown, 1);
    ASSERT_GE(barMessages.size(), 2u);
    EXPECT_EQ(barMessages[0].Message, static_cast<UINT>(PBM_SETRANGE32));
    EXPECT_EQ(barMessages[0].LParam, 3);
    EXPECT_EQ(barMessages[1].Message, static_cast<UINT>(PBM_SETPOS));
    EXPECT_EQ(barMessages[1].WParam, 0u);
    WPARAM last = 0;
    for (size_t i = 2; i < barMessages.size(); ++i) {
        EXPECT_EQ(barMessages[i].Message, static_cast<UINT>(PBM_SETPOS));
        EXPECT_GE(barMessages[i].WParam, last);
        EXPECT_LE(barMessages[i].WParam, 3u);
        last = barMessages[i].WParam;
    }
    EXPECT_EQ(ProgressShown, 3) << "every stage was handed over";

    DeleteRegTree(HKEY_LOCAL_MACHINE, NorvaneKeyPath);
    MakeRegKey(HKEY_LOCAL_MACHINE, QuestsKeyPath);
    RunDialog(BuildProbeDialog(app));
    EXPECT_FALSE(TheMainWindow->DeleteNorvaneButton->IsEnabled());
    EXPECT_TRUE(TheMainWindow->DeleteQuestsButton->IsEnabled());
}

TEST_F(RunTest, RemovalRunHidesTheBarAndRemoves)
{
    pc.RegisterGame(pc.Game);
    pc.InstallQuests();
    ProbeInstallation({});
    onProgressShown = [](Control* form) {
        auto* bar = CurrentProgressWindow->ProgressBar;
        EXPECT_EQ(form, CurrentProgressWindow->Form);
        EXPECT_FALSE(bar->Handle && IsWindowVisible(bar->Handle));
        EXPECT_EQ(CurrentProgressWindow->Info1Lab->Width(), 120);
        EXPECT_EQ(CurrentProgressWindow->Info2Lab->Width(), 0);
    };
    RunDialog(BuildQuestsRemovalDialog(app));

    EXPECT_EQ(progressShown, 1);
    ASSERT_GE(barMessages.size(), 1u);
    EXPECT_EQ(barMessages[0].LParam, 0) << "a removal's bar has the range 0 to 0";
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    EXPECT_FALSE(Exists(pc.Game + "Stavor"));
}

TEST_F(RunTest, WorkerEndingAtOnceStillShowsTheWindowOnce)
{
    RunDialog(BuildCarrierDialog(app, QuickRun));
    EXPECT_EQ(progressShown, 1);
    EXPECT_EQ(CurrentProgressWindow, nullptr);
    EXPECT_FALSE(testRunPending);
}

TEST_F(RunTest, ClosingTheProgressWindowByHandLetsTheRunFinish)
{
    onProgressShown = [](Control* form) { form->Close(); };
    DWORD start = GetTickCount();
    RunDialog(BuildCarrierDialog(app, SlowRun));
    EXPECT_GE(GetTickCount() - start, 1400u) << "the run waited for its worker";
    EXPECT_EQ(CurrentProgressWindow, nullptr);
    EXPECT_EQ(app->MinimizeAnchor, TheMainWindow->Form) << "the anchor falls back to the main window";
    EXPECT_EQ(app->Children->Count, 1) << "only the main window is left";
}

TEST_F(RunTest, WaitingLeavesTheProcessorToTheWorker)
{
    FILETIME created, exited, kernelBefore, userBefore, kernelAfter, userAfter;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernelBefore, &userBefore);
    DWORD start = GetTickCount();
    RunDialog(BuildCarrierDialog(app, SlowRun));
    DWORD wall = GetTickCount() - start;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernelAfter, &userAfter);
    auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    ULONGLONG cpuMs = (ticks(kernelAfter) - ticks(kernelBefore) + ticks(userAfter) - ticks(userBefore)) / 10000;
    RecordProperty("ui_cpu_ms", static_cast<int>(cpuMs));
    RecordProperty("wall_ms", static_cast<int>(wall));
    EXPECT_GE(wall, 1400u);
    EXPECT_LT(cpuMs * 10, wall) << "UI thread used " << cpuMs << " ms of CPU in " << wall << " ms";
}

TEST_F(RunTest, SecondPaintOfACarrierDialogDoesNothing)
{
    CarrierDialog* dialog = BuildCarrierDialog(app, QuickRun);
    Control* form = dialog->Form;
    form->ShowModal();
    ASSERT_EQ(progressShown, 1);
    HDC dc = CreateCompatibleDC(nullptr);
    form->Perform(WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    DeleteDC(dc);
    EXPECT_EQ(progressShown, 1);
    EXPECT_EQ(CurrentProgressWindow, nullptr);
    Free(form);
}

TEST_F(RunTest, FitInfoLinesCentresOnTheOuterWidth)
{
    ProgressWindow* w = BuildProgressWindow(app);
    w->Info1Lab->SetCaption("Подождите, собираю информацию...");
    w->Info2Lab->SetCaption("Подождите, удаляю...");
    FitInfoLines(w);
    int half = w->Form->Width() / 2;
    EXPECT_EQ(w->Info1Lab->Width(), 192);
    EXPECT_EQ(w->Info1Lab->Left(), half - 96);
    EXPECT_EQ(w->Info2Lab->Width(), 120);
    EXPECT_EQ(w->Info2Lab->Left(), half - 60);
    EXPECT_EQ(w->Info1Lab->Top(), 8);
    EXPECT_EQ(w->Form->ClientWidth(), 463);
    EXPECT_EQ(w->Form->ClientHeight(), 71);
    Free(w->Form);
    EXPECT_EQ(CurrentProgressWindow, nullptr);
}

TEST_F(RunTest, AboutClosesByButtonAndByCloseBoxWithoutProbing)
{
    for (bool byButton : {true, false}) {
        AboutWindow* about = BuildAboutWindow(app);
        EXPECT_EQ(about->Form->CurrentControl, about->OkButton);
        EXPECT_EQ(about->CopyrightLabel->Caption(), "© Vorenta, 2026");
        Control* ok = about->OkButton;
        Control* form = about->Form;
        DelayedCall close(20, [&] {
            if (byButton)
                SendMessageA(ok->Handle, BM_CLICK, 0, 0);
            else
                PostMessageA(form->Handle, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(form->ShowModal(), -1);
        EXPECT_TRUE(close.Fired());
        EXPECT_TRUE(TheMainWindow->Form->IsEnabled()) << "the main window is usable again";
        Free(form);
        EXPECT_EQ(TheAboutWindow, nullptr);
    }
    EXPECT_EQ(progressShown, 0);
    EXPECT_FALSE(ProbeRunPending);
}

} // namespace
