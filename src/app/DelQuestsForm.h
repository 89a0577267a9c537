#pragma once
// Removal of what the installer's quests variant left behind, and its background run.
#include "InProcessForm.h"
#include "Initer.h"

// Returns what stayed of the traces.
KeptEntries DeleteQuestLeftovers();

extern CarrierDialog* QuestsRemovalDialog;
CarrierDialog* BuildQuestsRemovalDialog(Control* parent);
