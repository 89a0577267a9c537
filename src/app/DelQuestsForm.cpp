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
    "Удаление квестов...", 464, 322, 208, 66, false, false, &QuestsRunPending, &QuestsRemovalDialog,
    "Подождите, удаляю...", QuestsBody,
};

} // namespace

CarrierDialog* BuildQuestsRemovalDialog(Control* parent)
{
    return BuildCarrierDialog(parent, QuestsRun);
}
