#pragma once
// Real files, folders and registry keys for tests, made in the test prefix and removed
// again. None of these helpers follows a link when it deletes.
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "wintk/Win.h"

// Between the ANSI code page of the tests' own paths and the program's wide ones.
std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);

// A fresh folder "C:\tessaly-test\<name>\" (emptied when it was left over).
std::string MakeScratchFolder(const std::string& name);
void MakeFolder(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// Entries under base, in order: a name ending with a backslash is a folder, any other
// a file with the given bytes.
void MakeTree(const std::string& base, std::initializer_list<std::pair<std::string, std::string>> entries);
std::string ReadFileBytes(const std::string& path);
bool Exists(const std::string& path);
// Deletes a tree for cleanup (through the host, links removed as entries).
void DeleteTree(const std::string& path);

// Relative path -> content ("<folder>" for folders), links listed as "<link>" and not
// entered. Shallow: one level and names only, for folders too large to read whole.
using TreeSnapshot = std::map<std::string, std::string>;
TreeSnapshot Snapshot(const std::string& folder, bool deep = true);
// The snapshot without the given entries and whatever lies below them.
TreeSnapshot Without(TreeSnapshot tree, std::initializer_list<std::string> gone);

// Runs a Windows program with arguments and waits (up to timeoutMs) for its end; false when
// it could not start or did not end in time.
bool RunProgram(const std::wstring& program, const std::wstring& arguments, DWORD& exitCode, DWORD timeoutMs = 30000);
// Runs a /bin/sh command on the host and waits (up to timeoutMs) for it to finish.
bool RunOnHost(const std::string& shellCommand, int timeoutMs = 20000);
// The host's path of a C: path.
std::string HostPath(std::string path);
// Entries under base (a C: path), made from the host in order: a name ending with a
// backslash is a folder, any other an empty file. Names in any characters, also those
// that Windows' path calls cannot make (a trailing dot or space).
bool MakeOnHost(const std::string& base, std::initializer_list<std::wstring> names);
// A unix symbolic link at linkPath (a C: path) pointing at target (a C: path).
bool MakeUnixLink(const std::string& target, const std::string& linkPath);
// count empty files "f00001.dat"... in folder (made when missing), from the host: a few
// microseconds a file where CreateFileA under Wine costs some hundreds.
bool MakeManyFiles(const std::string& folder, int count);

// A copy of a system DLL at path, read-only and mapped as a program image while this
// object lives: the system then refuses to delete it (access denied), also once its
// read-only attribute is cleared. Ok() is false when any step failed.
class MappedReadOnlyImage {
public:
    explicit MappedReadOnlyImage(const std::string& path);
    ~MappedReadOnlyImage();
    MappedReadOnlyImage(const MappedReadOnlyImage&) = delete;
    MappedReadOnlyImage& operator=(const MappedReadOnlyImage&) = delete;
    bool Ok() const { return view_ != nullptr && readOnly_; }

private:
    HANDLE mapping_ = nullptr;
    void* view_ = nullptr;
    bool readOnly_ = false;
};

// Files held open without sharing, as another program holding them would, until Release
// or the end of the object. Ok() is false when one could not be opened.
class HeldFiles {
public:
    explicit HeldFiles(std::initializer_list<std::string> paths);
    ~HeldFiles() { Release(); }
    HeldFiles(const HeldFiles&) = delete;
    HeldFiles& operator=(const HeldFiles&) = delete;
    bool Ok() const { return ok_; }
    void Release();

private:
    std::vector<HANDLE> handles_;
    bool ok_ = true;
};

void SetRegString(HKEY root, const std::string& key, const char* name, const std::string& value, DWORD type = REG_SZ);
void MakeRegKey(HKEY root, const std::string& key);
void DeleteRegTree(HKEY root, const std::string& key);
bool RegKeyExists(HKEY root, const std::string& key);
// Every key and value below key, as a TreeSnapshot ("name=type:bytes" for values); registry
// links are listed as "<link>" and not entered, keys that cannot be read as "<locked>", the
// keys at the relative paths in shallow as "<not read>" (HKLM\Software\Classes holds
// thousands of keys that no test touches).
TreeSnapshot KeySnapshot(HKEY root, const std::string& key, std::initializer_list<std::string> shallow = {});
// An empty access list on the key (nobody may open it but to change that list), or back to
// one that lets everybody in.
bool SetKeyLocked(HKEY root, const std::string& key, bool locked);
