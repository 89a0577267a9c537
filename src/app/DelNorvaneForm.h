#pragma once
// Removal of what the installer's Norvane variant left behind, and its background run.
#include "InProcessForm.h"

int DeleteNorvaneLeftovers();

extern CarrierDialog* NorvaneRemovalDialog;
CarrierDialog* BuildNorvaneRemovalDialog(Control* parent);
