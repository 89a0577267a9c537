#pragma once
// The floor of a tree removal: only the platform calls that RemoveFolderTree makes, in
// its order, with no other work. Its time is what any removal with those calls costs.
#include <string>

// Deletes folder (a path ending with a backslash) and everything in it; returns the
// number of entries removed, the folder itself included.
long FloorRemoveTree(const std::wstring& folder);
