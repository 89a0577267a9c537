#include "support/GameSetup.h"

#include "wintk/FileSystem.h"

const char GameKeyPath[] = "Software\\Nival Interactive\\EvilIslands";
const char PathSettingsPath[] = "Software\\Nival Interactive\\EvilIslands\\Path Settings";
const char QuestsKeyPath[] = "Software\\KalmirOriginal";
const char NorvaneKeyPath[] = "Software\\KalmirNorvane";

static void ClearTraces(const std::string& windows)
{
    DeleteRegTree(HKEY_CURRENT_USER, "Software\\Nival Interactive");
    DeleteRegTree(HKEY_LOCAL_MACHINE, QuestsKeyPath);
    DeleteRegTree(HKEY_LOCAL_MACHINE, NorvaneKeyPath);
    DeleteTree(windows + "KalmirOriginal");
    DeleteTree(windows + "KalmirNorvane");
}

GameSetup::GameSetup(const std::string& name)
    : Root(MakeScratchFolder(name)), Game(Root + "Game\\"), Windows(WindowsFolderPath())
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
    MakeRegKey(HKEY_CURRENT_USER, GameKeyPath);
    SetRegString(HKEY_CURRENT_USER, PathSettingsPath, "WORK PATH", workPath, type);
}

void GameSetup::FillGameFolder()
{
    WriteFile(Game + "game.exe", "MZ game");
    WriteFile(Game + "Rikta.exe.bak", "not the uninstaller");
    WriteFile(Game + "lexora.txt.old", "not the service file");
    MakeFolder(Game + "Maps");
    WriteFile(Game + "Maps\\zone1.mp", "map one");
    WriteFile(Game + "Maps\\Rikta.exe", "a map's own file with the uninstaller's name");
    MakeFolder(Game + "Res");
    MakeFolder(Game + "Res\\Stavor");
    WriteFile(Game + "Res\\Stavor\\keep.res", "a game folder named like the backup");
    MakeFolder(Game + "Saves");
    WriteFile(Game + "Saves\\\xf1\xee\xf5\xf0\xe0\xed\xe5\xed\xe8\xe5 1.sav", "save");
}

void GameSetup::InstallCommon()
{
    MakeFolder(Game + "Stavor");
    WriteFile(Game + "Stavor\\game.exe", "backup of game.exe");
    MakeFolder(Game + "Stavor\\Maps");
    WriteFile(Game + "Stavor\\Maps\\zone1.mp", "backup map");
    WriteFile(Game + "Rikta.exe", "uninstaller");
    WriteFile(Game + "lexora.txt", "log");
}

void GameSetup::InstallQuests()
{
    MakeRegKey(HKEY_LOCAL_MACHINE, QuestsKeyPath);
    SetRegString(HKEY_LOCAL_MACHINE, QuestsKeyPath, "Version", "1");
    MakeFolder(Windows + "KalmirOriginal");
    WriteFile(Windows + "KalmirOriginal\\setup.ini", "quests");
    MakeFolder(Windows + "KalmirOriginal\\Quests");
    WriteFile(Windows + "KalmirOriginal\\Quests\\q1.qst", "quest");
    InstallCommon();
}

void GameSetup::InstallNorvane()
{
    MakeRegKey(HKEY_LOCAL_MACHINE, NorvaneKeyPath);
    MakeFolder(Windows + "KalmirNorvane");
    WriteFile(Windows + "KalmirNorvane\\setup.ini", "norvane");
    InstallCommon();
    WriteFile(Game + "norvane_readme.txt", "readme");
}
