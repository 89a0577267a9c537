#include "DelNorvaneForm.h"

#include "Initer.h"

KeptEntries DeleteNorvaneLeftovers()
{
    static const wchar_t* const serviceFiles[] = {L"Rikta.exe", L"norvane_readme.txt", L"lexora.txt", nullptr};
    return DeleteLeftovers({InstallState.NorvaneDirExists, InstallState.NorvaneSetupDir, serviceFiles, "Software\\KalmirNorvane"});
}

CarrierDialog* NorvaneRemovalDialog = nullptr;

namespace {

int NorvaneBody(void*, WorkerThread*)
{
    DeleteNorvaneLeftovers();
    return 0;
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
