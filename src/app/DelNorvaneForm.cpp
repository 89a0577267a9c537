#include "DelNorvaneForm.h"

#include "Initer.h"

KeptEntries DeleteNorvaneLeftovers()
{
    return DeleteLeftovers({NorvaneVariant, InstallState.NorvanePresent, InstallState.NorvaneDirExists, InstallState.NorvaneSetupDir});
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
