#include "DelQuestsForm.h"

#include "Initer.h"

int DeleteQuestLeftovers()
{
    static const char* const serviceFiles[] = {"Rikta.exe", "lexora.txt", nullptr};
    DeleteLeftovers({InstallState.QuestsDirExists, InstallState.QuestsSetupDir, serviceFiles, "Software\\KalmirOriginal"});
    return 0;
}

CarrierDialog* QuestsRemovalDialog = nullptr;

namespace {

int QuestsBody(void*, WorkerThread*)
{
    return DeleteQuestLeftovers();
}

const RunKind QuestsRun = {
    .Caption = "Удаление квестов...",
    .Left = 464, .Top = 322, .Width = 208, .Height = 66,
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
