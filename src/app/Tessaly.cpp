// Tessaly: removes the traces of Vorenta's add-on installer for "Проклятые Земли".
#include "MainForm.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    Control* application = NewApplication("Tessaly");
    BuildMainWindow(application);
    Run(application);
    return 0;
}
