#include "DelNorvaneForm.h"

#include "Initer.h"

int DeleteNorvaneLeftovers()
{
    static const char* const serviceFiles[] = {"Rikta.exe", "norvane_readme.txt", "lexora.txt", nullptr};
    DeleteLeftovers({InstallState.NorvaneDirExists, InstallState.NorvaneSetupDir, serviceFiles, "Software\\KalmirNorvane"});
    return 0;
}

CarrierDialog* NorvaneRemovalDialog = nullptr;

namespace {

int NorvaneBody(void*, WorkerThread*)
{
    return DeleteNorvaneLeftovers();
}

const RunKind NorvaneRun = {
    "Удаление Norvane", 630, 410, 191, 68, false, false, &NorvaneRunPending, &NorvaneRemovalDialog,
    "Подождите, удаляю...", NorvaneBody,
};

} // namespace

CarrierDialog* BuildNorvaneRemovalDialog(Control* parent)
{
    return BuildCarrierDialog(parent, NorvaneRun);
}
