// Tessaly: removes the traces of Vorenta's add-on installer for "Проклятые Земли".
#include "MainForm.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    Control* application = NewApplication("Tessaly");
    BuildMainWindow(application);
    // A program whose window could not be made has shown nothing: say so in the exit code.
    return Run(application) ? 0 : 1;
}
