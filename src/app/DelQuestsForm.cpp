#include "DelQuestsForm.h"

#include "Initer.h"

KeptEntries DeleteQuestLeftovers()
{
    static const wchar_t* const serviceFiles[] = {L"Rikta.exe", L"lexora.txt", nullptr};
    return DeleteLeftovers({InstallState.QuestsDirExists, InstallState.QuestsSetupDir, serviceFiles, "Software\\KalmirOriginal"});
}

CarrierDialog* QuestsRemovalDialog = nullptr;

namespace {

int QuestsBody(void*, WorkerThread*)
{
    DeleteQuestLeftovers();
    return 0;
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
