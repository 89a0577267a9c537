#pragma once
// The main window: the explanatory text, the five buttons, the first probe at the first
// paint, the confirmations and the keyboard handling.
#include <string>

#include "Initer.h"
#include "wintk/Control.h"

struct MainWindow : BaseObject {
    // Form owns every control below (and this record); the other pointers do not own.
    Control* Form = nullptr;
    Control* Frame = nullptr;
    Control* TextLine1 = nullptr;
    Control* TextLine2 = nullptr;
    Control* ExitButton = nullptr;
    Control* CheckBox1 = nullptr;
    Control* RefreshButton = nullptr;
    Control* TextLine4 = nullptr;
    Control* TextLine5 = nullptr;
    Control* TextLine6 = nullptr;
    Control* TextLine7 = nullptr;
    Control* TextLine8 = nullptr;
    Control* TextLine3 = nullptr;
    Control* TextLine9 = nullptr;
    Control* TextLine10 = nullptr;
    Control* TextLine11 = nullptr;
    Control* TextLine12 = nullptr;
    Control* TextLine13 = nullptr;
    Control* DeleteQuestsButton = nullptr;
    Control* DeleteNorvaneButton = nullptr;
    Control* AboutButton = nullptr;
};
extern MainWindow* TheMainWindow;

MainWindow* BuildMainWindow(Control* application);
// Probes again and brings the main window back to the foreground.
void Refresh(MainWindow* window);
void HandleKeyUp(MainWindow* window, WPARAM key);

extern const char RemovalWarning[];
// The warning after a removal that left something or refused a "WORK PATH" (UTF-8): how
// many entries stayed, the first ten with the reason where it helps, each refused value once
// (not counted), and the way out that fits the reasons: closing what holds the entries and
// pressing again, or removing by hand what Tessaly leaves on purpose. Empty when nothing
// stayed and nothing was refused.
std::string LeftoverReport(const KeptEntries& kept, const KeptEntries& refused = {});
