#pragma once
// Real files, folders and registry keys for tests, made in the test prefix and removed
// again. None of these helpers follows a link when it deletes.
#include <map>
#include <set>
#include <string>

#include "wintk/Win.h"

// A fresh folder "C:\tessaly-test\<name>\" (emptied when it was left over).
std::string MakeScratchFolder(const std::string& name);
void MakeFolder(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool Exists(const std::string& path);
// Deletes a tree for cleanup (through the host, links removed as entries).
void DeleteTree(const std::string& path);
// Relative path -> content ("<folder>" for folders), links listed as "<link>" and not entered.
using TreeSnapshot = std::map<std::string, std::string>;
TreeSnapshot Snapshot(const std::string& folder);
// The names in a folder (one level), for folders too large to snapshot.
std::set<std::string> ListNames(const std::string& folder);
// A unix symbolic link at linkPath (a C: path) pointing at target (a C: path).
bool MakeUnixLink(const std::string& target, const std::string& linkPath);

void SetRegString(HKEY root, const std::string& key, const char* name, const std::string& value, DWORD type = REG_SZ);
void MakeRegKey(HKEY root, const std::string& key);
void DeleteRegTree(HKEY root, const std::string& key);
bool RegKeyExists(HKEY root, const std::string& key);

// A file held open without sharing for as long as the object lives.
class LockedFile {
public:
    explicit LockedFile(const std::string& path);
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    bool IsLocked() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};
