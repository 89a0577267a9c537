#include "DelQuestsForm.h"

#include "Initer.h"

KeptEntries DeleteQuestLeftovers()
{
    return DeleteLeftovers({QuestsVariant, InstallState.QuestsPresent, InstallState.QuestsDirExists, InstallState.QuestsSetupDir});
}

CarrierDialog* QuestsRemovalDialog = nullptr;

namespace {

int QuestsBody(void*, WorkerThread*)
{
    RemovalLeftovers = DeleteQuestLeftovers();
    return 0;
}

const RunKind QuestsRun = {
    .Caption = "Удаление квестов...",
    .Width = 208, .Height = 66,
    .ClientSize = false,
    .Analysis = false,
    .Pending = &QuestsRunPending,
    .Global = &QuestsRemovalDialog,
    .Info = "Подождите, удаляю...",
    .Body = QuestsBody,
};

} // namespace

CarrierDialog* BuildQuestsRemovalDialog(Control* parent)
{
    return BuildCarrierDialog(parent, QuestsRun);
}
