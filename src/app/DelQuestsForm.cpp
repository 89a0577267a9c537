#include "DelQuestsForm.h"

#include "Initer.h"

int DeleteQuestLeftovers()
{
    static const char* const serviceFiles[] = {"Rikta.exe", "lexora.txt", nullptr};
    DeleteLeftovers({InstallState.QuestsDirExists, InstallState.QuestsSetupDir, serviceFiles, "Software\\KalmirOriginal"});
    return 0;
}
