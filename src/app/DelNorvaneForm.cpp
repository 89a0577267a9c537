#include "DelNorvaneForm.h"

#include "Initer.h"

KeptEntries DeleteNorvaneLeftovers()
{
    static const wchar_t* const serviceFiles[] = {L"Rikta.exe", L"norvane_readme.txt", L"lexora.txt", nullptr};
    return DeleteLeftovers({InstallState.NorvanePresent, InstallState.NorvaneDirExists, InstallState.NorvaneSetupDir, serviceFiles, "KalmirNorvane"});
}

CarrierDialog* NorvaneRemovalDialog = nullptr;

namespace {

int NorvaneBody(void*, WorkerThread*)
{
    RemovalLeftovers = DeleteNorvaneLeftovers();
    return 0;
}

const RunKind NorvaneRun = {
    .Caption = "Удаление Norvane",
    .Width = 191, .Height = 68,
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
