#pragma once
// The copies that Windows would have made for a virtualized installer and game, made by hand
// (Wine does not virtualize): in the current user's Classes hive and VirtualStore folder, in
// one more user hive under HKEY_USERS and in the VirtualStore of one more profile that
// ProfileList names. Everything made is removed again by the destructor.
#include <string>
#include <vector>

#include "support/Sandbox.h"

inline constexpr char ClassesStore[] = "Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\";
inline constexpr char Wow64ClassesStore[] = "Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\";
inline constexpr char OtherUserSid[] = "S-1-5-21-7-7-7-4343";
inline constexpr char OtherUserStore[] = "S-1-5-21-7-7-7-4343_Classes\\VirtualStore\\MACHINE\\SOFTWARE\\";

class VirtualCopies {
public:
    // The extra profile is made in root (a scratch folder ending with a backslash).
    explicit VirtualCopies(const std::string& root);
    ~VirtualCopies();
    VirtualCopies(const VirtualCopies&) = delete;
    VirtualCopies& operator=(const VirtualCopies&) = delete;

    // The copy of path (a C: path) in store, made with the folders above it that are
    // missing; a name ending with a backslash is a folder, any other a file with bytes.
    void Make(const std::string& store, const std::string& path, const std::string& bytes = "copy");
    // Where store keeps path: store + path without its drive.
    // A registry link at root\path to target (a native path, "\\Registry\\Machine\\...").
    bool MakeKeyLink(const std::string& path, const std::wstring& target, HKEY root = HKEY_CURRENT_USER);
    static std::string In(const std::string& store, const std::string& path) { return store + path.substr(3); }

    std::string UserStore;    // %LOCALAPPDATA%\VirtualStore\ of the prefix's user
    std::string ProfileStore; // the VirtualStore folder of the extra profile

private:
    std::vector<std::string> made_; // folders made in UserStore, outermost first
    std::vector<std::pair<HKEY, std::string>> links_; // deleted as links
    bool userStoreMade_ = false;
    bool classesStoreMade_ = false; // HKCU\Software\Classes\VirtualStore
};
