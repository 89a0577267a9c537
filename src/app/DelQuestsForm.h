#pragma once
// Removal of what the installer's quests variant left behind, and its background run.
#include "InProcessForm.h"

int DeleteQuestLeftovers();

extern CarrierDialog* QuestsRemovalDialog;
CarrierDialog* BuildQuestsRemovalDialog(Control* parent);
