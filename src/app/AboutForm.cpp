#include "AboutForm.h"

AboutWindow* TheAboutWindow = nullptr;

namespace {

void CloseAbout(void* window, Control*)
{
    static_cast<AboutWindow*>(window)->Form->Close();
}

const int AboutLineHeight = 14;

Control* NewAboutLabel(Control* form, const char* text, int top, int width)
{
    Control* label = NewLabel(form, text)->SetPosition(13, top)->SetSize(width, AboutLineHeight);
    SetFontHeight(label, DialogFontHeight);
    return label;
}

} // namespace

AboutWindow* BuildAboutWindow(Control* parent)
{
    auto* w = NewObject<AboutWindow>();
    w->OnDestroy = {ClearReference<AboutWindow>, &TheAboutWindow};
    TheAboutWindow = w;
    w->Form = NewForm(parent, "About Tessaly")->SetClientSize(304, 64);
    AttachAutoFree(w->Form, w);
    w->Form->SetExStyle(w->Form->ExStyle | WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE);
    w->Form->SetStyle(w->Form->Style & ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    w->CopyrightLabel = NewAboutLabel(w->Form, "© Vorenta, 2026", 46, 153);
    w->NameLabel = NewAboutLabel(w->Form, "Tessaly", 6, 137);
    w->VersionLabel = NewAboutLabel(w->Form, "Версия 1.0", 30, 153);
    w->OkButton = NewButton(w->Form, "ОК")->SetPosition(232, 38);
    SetFontHeight(w->OkButton, DialogFontHeight);
    w->OkButton->OnClick = {CloseAbout, w};
    w->Form->CenterWindow();
    w->Form->SetSizeLocked(true);
    w->OkButton->Activate(true);
    w->Form->SetIcon(NoIcon);
    return w;
}
