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
    .Caption = "Удаление Norvane",
    .Left = 630, .Top = 410, .Width = 191, .Height = 68,
    .ClientSize = false,
    .Analysis = false,
    .Pending = &NorvaneRunPending,
    .Global = &NorvaneRemovalDialog,
    .Info = "Подождите, удаляю...",
    .Body = NorvaneBody,
};

} // namespace

CarrierDialog* BuildNorvaneRemovalDialog(Control* parent)
{
    return BuildCarrierDialog(parent, NorvaneRun);
}
