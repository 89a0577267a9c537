#pragma once
// Removal of what the installer's Norvane variant left behind, and its background run.

int DeleteNorvaneLeftovers();
