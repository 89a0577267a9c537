#include "support/GameSetup.h"

#include "wintk/FileSystem.h"

static void ClearTraces(const std::string& windows)
{
    DeleteRegTree(HKEY_CURRENT_USER, "Software\\Nival Interactive");
    DeleteRegTree(HKEY_LOCAL_MACHINE, QuestsKeyPath);
    DeleteRegTree(HKEY_LOCAL_MACHINE, NorvaneKeyPath);
    DeleteTree(windows + "KalmirOriginal");
    DeleteTree(windows + "KalmirNorvane");
}

GameSetup::GameSetup(const std::string& name)
    : Root(MakeScratchFolder(name)), Game(Root + "Game\\"), Windows(Narrow(WindowsFolderPath()))
{
    ClearTraces(Windows);
    MakeFolder(Game);
}

GameSetup::~GameSetup()
{
    ClearTraces(Windows);
    DeleteTree(Root);
}

void GameSetup::RegisterGame(const std::string& workPath, DWORD type)
{
    SetRegString(HKEY_CURRENT_USER, PathSettingsPath, "WORK PATH", workPath, type);
}

void GameSetup::FillGameFolder()
{
    MakeTree(Game, {{"game.exe", "MZ game"}, {"Rikta.exe.bak", "not the uninstaller"}, {"lexora.txt.old", "not the log"},
                    {"Maps\\", ""}, {"Maps\\zone1.mp", "map"}, {"Maps\\Rikta.exe", "a map's file, named like the uninstaller"},
                    {"Res\\", ""}, {"Res\\Stavor\\", ""}, {"Res\\Stavor\\keep.res", "a game folder named like the backup"},
                    {"Saves\\", ""}, {"Saves\\\xf1\xee\xf5\xf0\xe0\xed\xe5\xed\xe8\xe5 1.sav", "save"}});
    MakeTree(Root, {{"GameStavor\\", ""}, {"GameStavor\\x.dat", "game folder + Stavor"}, {"GameRikta.exe", "game folder + Rikta.exe"},
                    {"Stavor\\", ""}, {"Stavor\\up.dat", "one level up"}, {"Rikta.exe", "one level up"}, {"lexora.txt", "one level up"}});
}

void GameSetup::InstallQuests()
{
    SetRegString(HKEY_LOCAL_MACHINE, QuestsKeyPath, "Version", "1");
    MakeTree(Windows, {{"KalmirOriginal\\", ""}, {"KalmirOriginal\\setup.ini", "quests"}, {"KalmirOriginal\\Quests\\", ""},
                       {"KalmirOriginal\\Quests\\q1.qst", "quest"}});
    MakeTree(Game, {{"Stavor\\", ""}, {"Stavor\\game.exe", "backup"}, {"Stavor\\Maps\\", ""}, {"Stavor\\Maps\\zone1.mp", "backup map"},
                    {"Rikta.exe", "uninstaller"}, {"lexora.txt", "log"}});
}

void GameSetup::InstallNorvane()
{
    MakeRegKey(HKEY_LOCAL_MACHINE, NorvaneKeyPath);
    MakeTree(Windows, {{"KalmirNorvane\\", ""}, {"KalmirNorvane\\setup.ini", "norvane"}});
    MakeTree(Game, {{"Stavor\\", ""}, {"Stavor\\game.exe", "backup"}, {"Rikta.exe", "uninstaller"}, {"lexora.txt", "log"},
                    {"norvane_readme.txt", "readme"}});
}
