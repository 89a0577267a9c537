#pragma once
// Removal of what the installer's quests variant left behind, and its background run.

int DeleteQuestLeftovers();
