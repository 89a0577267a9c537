#include "MainForm.h"

#include <utility>

#include "AboutForm.h"
#include "DelNorvaneForm.h"
#include "DelQuestsForm.h"
#include "Explanation.h"
#include "GetInfAbCompForm.h"
#include "Initer.h"
#include "wintk/ShortText.h"
#include "wintk/Utils.h"

MainWindow* TheMainWindow = nullptr;
const char RemovalWarning[] = "Вы ТОЧНО уверены? Удаление необратимо !!!";

namespace {

const size_t ListedLeftovers = KeptEntries::Stored; // the warning names these; the rest are counted

const char* ReasonText(DWORD reason)
{
    switch (reason) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_DELETE_PENDING:
        return " (занят другой программой)";
    case ERROR_FILE_INVALID:
        return " (путь идёт через ссылку)";
    case ERROR_TOO_MANY_LINKS:
        return " (у файла есть другие имена)";
    case ERROR_BAD_PATHNAME:
        return " (не может быть папкой игры, Tessaly её не трогает)";
    case ERROR_DIR_NOT_EMPTY:
        return " (другая программа продолжает в неё писать)";
    case ERROR_FILENAME_EXCED_RANGE:
        return " (путь длиннее, чем позволяет Windows)";
    case ERROR_ACCESS_DENIED:
        return " (нет доступа)";
    default:
        return "";
    }
}

bool HeldOrDenied(DWORD reason)
{
    return reason == ERROR_SHARING_VIOLATION || reason == ERROR_LOCK_VIOLATION || reason == ERROR_DELETE_PENDING ||
           reason == ERROR_ACCESS_DENIED || reason == ERROR_DIR_NOT_EMPTY;
}

// A path shows left to right whatever letters it holds: right-to-left names would otherwise
// reorder its components on screen. Its own direction marks are escaped already.
std::wstring LeftToRight(const std::wstring& excerpt)
{
    return L"\u202D" + excerpt + L"\u202C";
}

// Layout at 96 DPI. The text lines are as wide as the longest of them in Tahoma at any
// DPI (623 pixels at 96, 643 when the font rounds up at 144) and as high as its line (14
// at 192 DPI is 28 for a font of 27); the window is wider than the frame by its client's
// edges.
const int TextLineLeft = 8, TextLineWidth = 648, TextLineHeight = 14;
const int FrameWidth = 660, FormWidth = 668;
const int FormHeight = 287;       // as built; the first paint fixes the client height
const int FormClientHeight = 260; // whatever the frame
const int ButtonTop = 228, ButtonHeight = 30;

// The text is one Russian page, a label per line (Explanation.cpp).
Control* MainWindow::*const TextLines[ExplanationLineCount] = {
    &MainWindow::TextLine1, &MainWindow::TextLine2,  &MainWindow::TextLine3,  &MainWindow::TextLine4,
    &MainWindow::TextLine5, &MainWindow::TextLine6,  &MainWindow::TextLine7,  &MainWindow::TextLine8,
    &MainWindow::TextLine9, &MainWindow::TextLine10, &MainWindow::TextLine11, &MainWindow::TextLine12,
    &MainWindow::TextLine13,
};

MainWindow* Of(void* context)
{
    return static_cast<MainWindow*>(context);
}

// A probe run after the window is gone (the program is closing) has no buttons to set.
void ForgetMainWindow(void*, BaseObject*)
{
    TheMainWindow = nullptr;
    ProbeRunEnded = {};
}

// The controls that hold the focus in the ring and hand their keys to HandleKeyUp.
bool HandlesKeys(MainWindow* w, Control* c)
{
    for (Control* k : {w->CheckBox1, w->ExitButton, w->RefreshButton, w->DeleteNorvaneButton, w->DeleteQuestsButton,
                       w->AboutButton})
        if (c == k)
            return true;
    return false;
}

// A disabled window loses the keyboard focus to nowhere, and a modal run or box disables
// the whole form, so at the end of the block that shows one the focus is placed again: on
// the control that had it while that one is still enabled, else on CheckBox1, so the keys
// keep working.
class KeyboardFocusKept {
public:
    explicit KeyboardFocusKept(MainWindow* w) : w_(w), hadFocus_(w->Form->CurrentControl) {}
    ~KeyboardFocusKept()
    {
        bool keep = hadFocus_ && HandlesKeys(w_, hadFocus_) && hadFocus_->IsEnabled();
        (keep ? hadFocus_ : w_->CheckBox1)->Activate(true);
    }
    KeyboardFocusKept(const KeyboardFocusKept&) = delete;
    KeyboardFocusKept& operator=(const KeyboardFocusKept&) = delete;

private:
    MainWindow* w_;     // not owned
    Control* hadFocus_; // not owned; a control of the form, which outlives the block
};

// Shows a carrier dialog modally; its first paint runs its background run. The main window
// is drawn first, so that it shows behind the run.
void RunDialog(MainWindow* w, CarrierDialog* (*build)(Control*))
{
    Control* form = build(w->Form->Parent)->Form;
    w->Form->Update();
    form->ShowModal();
    Free(form);
}

// After the refresh, so that the window behind the box already shows what is left. The box
// is owned by the main window, which it disables meanwhile: no run can start under it.
void ReportLeftovers(MainWindow* w)
{
    KeptEntries kept = std::exchange(RemovalLeftovers, {}), refused = std::exchange(RemovalRefused, {});
    if (kept.empty() && refused.empty())
        return;
    KeyboardFocusKept focus(w);
    ShowMessageBox(LeftoverReport(kept, refused).c_str(), MB_ICONWARNING | MB_OK, w->Form);
}

void RunRemoval(MainWindow* w, CarrierDialog* (*build)(Control*))
{
    if (ShowMessageBox(RemovalWarning, MB_YESNO) != IDYES)
        return;
    RemovalLeftovers.clear();
    RemovalRefused.clear();
    RunDialog(w, build);
    Refresh(w);
    ReportLeftovers(w);
}

// The probe run has ended: its results decide the removal buttons.
void OnProbeEnded(void* w, Control*)
{
    Of(w)->DeleteNorvaneButton->SetEnabled(InstallState.NorvanePresent);
    Of(w)->DeleteQuestsButton->SetEnabled(InstallState.QuestsPresent);
}

void OnExit(void* w, Control*)
{
    Of(w)->Form->Parent->Close();
}

void OnRefresh(void* w, Control*)
{
    Refresh(Of(w));
}

void OnDeleteNorvane(void* w, Control*)
{
    RunRemoval(Of(w), BuildNorvaneRemovalDialog);
}

void OnDeleteQuests(void* w, Control*)
{
    RunRemoval(Of(w), BuildQuestsRemovalDialog);
}

void OnAbout(void* w, Control*)
{
    KeyboardFocusKept focus(Of(w));
    Control* form = BuildAboutWindow(Of(w)->Form->Parent)->Form;
    form->ShowModal();
    Free(form);
}

void OnShow(void* w, Control*)
{
    Of(w)->CheckBox1->Activate(true);
}

// The first paint: fix the client height whatever the frame, lock the size, probe.
void OnFirstPaint(void* w, Control* form, HDC)
{
    if (!MainFirstPaint)
        return;
    MainFirstPaint = false;
    form->SetClientSize(0, FormClientHeight);
    form->SetSizeLocked(true);
    Refresh(Of(w));
}

void OnKeyUp(void* w, Control*, WPARAM& key, uint32_t)
{
    HandleKeyUp(Of(w), key);
}

Control* NewMainButton(MainWindow* w, const char* caption, int left, int width, void (*action)(void*, Control*))
{
    Control* button = NewButton(w->Form, caption)->SetPosition(left, ButtonTop)->SetSize(width, ButtonHeight);
    SetFontHeight(button, DialogFontHeight);
    button->OnClick = {action, w};
    return button;
}

} // namespace

MainWindow* BuildMainWindow(Control* application)
{
    auto* w = NewObject<MainWindow>();
    w->OnDestroy = {ForgetMainWindow, nullptr};
    TheMainWindow = w;
    ProbeRunEnded = {OnProbeEnded, w};
    // Placed before CenterWindow moves it. Made elsewhere first, under Wine 8 the thread
    // answered other programs' messages between the size lock and the probe's dialog, so a
    // driver that takes a locked, settled window for a finished probe went on too early.
    w->Form = NewForm(application, "Tessaly v 1.0")->SetPosition(321, 198)->SetSize(FormWidth, FormHeight);
    AttachAutoFree(w->Form, w);
    w->Form->SetOnShow({OnShow, w});
    w->Form->SetOnPaint({OnFirstPaint, w});

    w->Frame = NewGroupBox(w->Form, nullptr)->SetPosition(0, -4)->SetSize(FrameWidth, 221);
    w->Frame->TabStop = false;
    SetFontHeight(w->Frame, DialogFontHeight);
    for (int i = 0; i < ExplanationLineCount; ++i)
        w->*TextLines[i] = NewLabel(w->Frame, Explanation[i].Text)
                               ->SetPosition(TextLineLeft, Explanation[i].Top)
                               ->SetSize(TextLineWidth, TextLineHeight);
    w->CheckBox1 = NewCheckBox(w->Frame, "CheckBox1")->SetPosition(176, 202)->SetSize(0, 16);
    w->CheckBox1->SetVisible(false);

    w->ExitButton = NewMainButton(w, "&Выход", 581, 77, OnExit);
    w->RefreshButton = NewMainButton(w, "О&бновить", 501, 77, OnRefresh);
    w->DeleteNorvaneButton = NewMainButton(w, "Удалить &Norvane", 6, 104, OnDeleteNorvane);
    w->DeleteQuestsButton = NewMainButton(w, "Удалить &Quests", 120, 104, OnDeleteQuests);
    w->AboutButton = NewMainButton(w, "&О программе", 412, 86, OnAbout);
    for (Control* c : {w->Form, w->CheckBox1, w->ExitButton, w->RefreshButton, w->DeleteNorvaneButton,
                       w->DeleteQuestsButton, w->AboutButton})
        c->SetOnKeyUp({OnKeyUp, w});

    w->Form->CenterWindow();
    w->Form->TrackMinimize();
    MainFirstPaint = true;
    return w;
}

void Refresh(MainWindow* w)
{
    KeyboardFocusKept focus(w);
    RunDialog(w, BuildProbeDialog);
    w->Form->Show();
}

void HandleKeyUp(MainWindow* w, WPARAM key)
{
    if (key == VK_TAB) {
        // The ring along the button row; a disabled button is passed over because the
        // next rule finds it as the current control.
        Control* const ring[][2] = {
            {w->CheckBox1, w->DeleteNorvaneButton}, {w->DeleteNorvaneButton, w->DeleteQuestsButton},
            {w->DeleteQuestsButton, w->AboutButton}, {w->AboutButton, w->RefreshButton},
            {w->RefreshButton, w->ExitButton},      {w->ExitButton, w->DeleteNorvaneButton},
            {w->DeleteNorvaneButton, w->DeleteQuestsButton}, {w->DeleteQuestsButton, w->AboutButton},
        };
        for (auto& rule : ring) {
            if (!rule[0]->IsActive())
                continue;
            rule[1]->Activate(true);
            if (rule[1]->IsEnabled())
                return;
        }
        return;
    }
    // A key per button, on release. 'D', 'J' and ',' are the physical keys that carry the
    // marked Cyrillic letters В (&Выход), О (&О программе) and б (О&бновить) in the Russian
    // layout; N and Q are the Latin letters of their captions.
    const struct {
        WPARAM Key;
        Control* Button;
    } hotKeys[] = {
        {'D', w->ExitButton},          {'N', w->DeleteNorvaneButton}, {'J', w->AboutButton},
        {'Q', w->DeleteQuestsButton},  {VK_OEM_COMMA, w->RefreshButton},
    };
    for (const auto& hot : hotKeys) {
        if (hot.Key != key)
            continue;
        if (hot.Button->IsEnabled()) {
            hot.Button->Activate(true);
            hot.Button->Click();
        }
        return;
    }
}

std::string LeftoverReport(const KeptEntries& kept, const KeptEntries& refused)
{
    if (kept.empty() && refused.empty())
        return std::string();
    std::string text = kept.empty() ? std::string("Всё найденное удалено.\n\n")
                                    : "Не всё удалось удалить. Осталось объектов: " + std::to_string(kept.size()) + ".\n\n";
    auto list = [&text](const KeptEntries& entries) {
        for (const KeptEntry& entry : entries)
            text += Utf8Text(LeftToRight(entry.Path)) + ReasonText(entry.Reason) + "\n";
    };
    list(kept);
    if (kept.size() > ListedLeftovers)
        text += "...и ещё " + std::to_string(kept.size() - ListedLeftovers) + ".\n";
    list(refused);
    // Closing a program and pressing again helps only what was held or denied. What Tessaly
    // refused to touch is never advised for deletion: a refused game folder may be a system
    // folder, and behind a link may lie anything.
    bool retry = false, onPurpose = false;
    for (DWORD reason : kept.Reasons())
        (HeldOrDenied(reason) ? retry : onPurpose) = true;
    if (retry)
        text += "\nЗакройте программу, которая их использует, и снова нажмите эту же кнопку, чтобы завершить удаление.";
    if (onPurpose)
        text += retry ? "\nОстальное Tessaly оставляет намеренно." : "\nЭто Tessaly оставляет намеренно.";
    return text;
}
