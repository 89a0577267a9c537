#pragma once
// Where Windows keeps the copies of an old program's writes. On Vista and later a 32-bit
// program without a manifest that runs without administrator rights is virtualized: its
// refused writes to HKEY_LOCAL_MACHINE\Software go to the user's Classes hive under
// VirtualStore\MACHINE\SOFTWARE (a 32-bit program's on 64-bit Windows under WOW6432Node
// there), its refused writes under the Windows folder or Program Files to
// %LOCALAPPDATA%\VirtualStore\ followed by the path without its drive. That user's
// programs see the copies; an elevated program sees only the real places.
#include <string>
#include <vector>

#include "Registry.h"
#include "Win.h"

// A registry folder standing for HKEY_LOCAL_MACHINE\Software: a copy of the key
// Software\<name> lies at Root, Prefix + <name>.
struct RegistryPlace {
    HKEY Root;
    std::string Prefix; // ends with a backslash
};

// The places of the current user's copies and of every user hive loaded under
// HKEY_USERS (a user's hive is there only while the user is logged on), each with and
// without WOW6432Node. A place is listed whether or not anything lies there.
std::vector<RegistryPlace> VirtualStoreKeyPlaces();

// The SIDs of the users' own hives loaded under HKEY_USERS ("S-1-5-21-...", not their
// "_Classes" hives): a user's hive is there while the user is logged on.
std::vector<std::string> LoadedUserHives();

// The folders of the profiles, each with a trailing backslash: the folder that holds them,
// the default and the public profile, and every profile in ProfileList.
std::vector<std::wstring> ProfileFolders();

// The VirtualStore folders that exist, each ending with a backslash: the current user's
// under %LOCALAPPDATA% and that of every profile in ProfileList. No folder twice.
std::vector<std::wstring> VirtualStoreFolders();

// Where store keeps the copy of path: "C:\Windows\KalmirOriginal\" in "...\VirtualStore\"
// is "...\VirtualStore\Windows\KalmirOriginal\". path is resolved first, as Windows does
// ("." and ".." go), so the copy always lies inside store. Empty when path starts with no
// drive: nothing else is redirected.
std::wstring VirtualizedPath(const std::wstring& store, const std::wstring& path);

// Deletes the key copy place.Prefix + name with everything in it (RemoveKeyTree). The hive
// belongs to its user, who can make registry links there: from VirtualStore down, no key is
// opened through a link. Above it lie the hive's own keys (on Windows HKCU\Software\Classes
// is itself a link to the user's Classes hive). Returns what stayed, paths below place.Root.
KeptKeys RemoveKeyCopy(const RegistryPlace& place, const std::string& name);
