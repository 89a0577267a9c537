#pragma once
// The About window: name, version, copyright and a button that closes it.
#include "wintk/Control.h"

struct AboutWindow : BaseObject {
    Control* Form = nullptr;           // owns the controls below and this record
    Control* VersionLabel = nullptr;   // not owned
    Control* NameLabel = nullptr;      // not owned
    Control* CopyrightLabel = nullptr; // not owned
    Control* OkButton = nullptr;       // not owned
};
extern AboutWindow* TheAboutWindow;

AboutWindow* BuildAboutWindow(Control* parent);
