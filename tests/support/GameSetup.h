#pragma once
// A computer with the game and the add-on installer's traces, made for real in the
// test prefix and removed again by the destructor.
#include <string>

#include "support/Sandbox.h"

inline constexpr char PathSettingsPath[] = "Software\\Nival Interactive\\EvilIslands\\Path Settings";
inline constexpr char QuestsKeyPath[] = "Software\\KalmirOriginal";
inline constexpr char NorvaneKeyPath[] = "Software\\KalmirNorvane";

class GameSetup {
public:
    explicit GameSetup(const std::string& name);
    ~GameSetup();

    // The game's registry keys with "WORK PATH" = value.
    void RegisterGame(const std::string& workPath, DWORD type = REG_SZ);
    // Game files named like the installer's, and look-alike neighbours of the game folder
    // in Root ("GameStavor", "GameRikta.exe", "Stavor", "Rikta.exe", "lexora.txt").
    void FillGameFolder();
    // The installer's traces: its key, its Windows folder, the backup folder and service files.
    void InstallQuests();
    void InstallNorvane();

    std::string Root;    // scratch folder of the test, with a trailing backslash
    std::string Game;    // Root + "Game\"
    std::string Windows; // the prefix's Windows folder, with a trailing backslash
};
