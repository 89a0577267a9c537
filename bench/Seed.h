#pragma once
// The seed of the tree removal: the call sequence of the earlier path-based walk, in its
// order (per entry a listing by FindFirstFileA, GetFileAttributesA to classify it; per
// file GetFileAttributesA, SetFileAttributesA, DeleteFileA), with no other work.
#include <string>

// Deletes folder (a path ending with a backslash) and everything in it; returns the
// number of entries removed, the folder itself included.
long SeedRemoveTree(const std::string& folder);
