#pragma once
// Removal of what the installer's Norvane variant left behind, and its background run.
#include "InProcessForm.h"
#include "Initer.h"

// Returns what stayed of the traces.
KeptEntries DeleteNorvaneLeftovers();

extern CarrierDialog* NorvaneRemovalDialog;
CarrierDialog* BuildNorvaneRemovalDialog(Control* parent);
