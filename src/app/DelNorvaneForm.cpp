#include "DelNorvaneForm.h"

#include "Initer.h"

int DeleteNorvaneLeftovers()
{
    static const char* const serviceFiles[] = {"Rikta.exe", "norvane_readme.txt", "lexora.txt", nullptr};
    DeleteLeftovers({InstallState.NorvaneDirExists, InstallState.NorvaneSetupDir, serviceFiles, "Software\\KalmirNorvane"});
    return 0;
}
