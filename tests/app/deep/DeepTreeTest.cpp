// A backup folder 16,000 levels deep, which a user can make in a game folder outside
// Program Files or in their VirtualStore. Its own program: Wine spends about two minutes
// on the first 2,000 levels of any walk through it (an open relative to a handle there
// costs tens of milliseconds), well beyond the other tests' time limit.
#include <gtest/gtest.h>

#include "wintk/Win.h"

#include <psapi.h>

#include "app/DelQuestsForm.h"
#include "app/GetInfAbCompForm.h"
#include "app/Initer.h"
#include "support/GameSetup.h"

namespace {

// Run by the host's python with the folder and the depth: one folder "d" in the other,
// each made and opened relative to its parent (a path would pass PATH_MAX).
const char MakeChain[] = "import os,sys\nfd=os.open(sys.argv[1],os.O_RDONLY)\nfor i in range(int(sys.argv[2])):\n"
                         " os.mkdir('d',dir_fd=fd);n=os.open('d',os.O_RDONLY,dir_fd=fd);os.close(fd);fd=n\n";
// Removes such a chain from its bottom up through "..", in linear time (rm -rf takes 45 s).
const char RemoveChain[] = "import os,sys\nfd=os.open(sys.argv[1],os.O_RDONLY)\nk=0\nwhile 'd' in os.listdir(fd):\n n=os.open('d',os.O_RDONLY,dir_fd=fd);os.close(fd);fd=n;k+=1\n"
                           "for i in range(k):\n u=os.open('..',os.O_RDONLY,dir_fd=fd);os.rmdir('d',dir_fd=u);os.close(fd);fd=u\n";

bool RunPython(const char* script, const std::string& folder, const std::string& argument)
{
    return RunOnHost("/usr/bin/python3 -c \\\"" + std::string(script) + "\\\" '" + HostPath(folder) + "' " + argument, 60000);
}

// The walk keeps no call stack per level, so it ends; what it could not take is named (the
// deepest folder, not one at some cap), and with it the key stays. The rest of the removal
// is done, in memory that does not grow with the paths.
TEST(DeepTree, ABackupFolderDeeperThanAnyStackEndsAndIsNamed)
{
    InstallState = InstallStateRecord();
    GameSetup pc{"deep-tree"};
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    pc.InstallQuests();
    TreeSnapshot before = Snapshot(pc.Root);
    ASSERT_TRUE(RunPython(MakeChain, pc.Game + "Stavor\\Maps", "16000"));
    ASSERT_TRUE(Exists(pc.Game + "Stavor\\Maps\\d\\d\\d\\d"));

    PROCESS_MEMORY_COUNTERS memoryBefore = {}, memoryAfter = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &memoryBefore, sizeof memoryBefore);
    ProbeInstallation({});
    KeptEntries kept = DeleteQuestLeftovers();
    // Measured: about 90 MiB more, most of it Wine's for 16,000 open folders. A walk that
    // kept every level's path would need gigabytes.
    GetProcessMemoryInfo(GetCurrentProcess(), &memoryAfter, sizeof memoryAfter);
    EXPECT_LT(memoryAfter.PeakWorkingSetSize - memoryBefore.PeakWorkingSetSize, size_t(160) << 20);
    if (Exists(pc.Game + "Stavor")) {
        ASSERT_EQ(kept.size(), 1u);
        // Named as the warning shows it: its start, "..." and its end.
        EXPECT_EQ(kept[0].Path.find(Wide(pc.Game + "Stavor\\Maps\\d\\d\\")), 0u);
        EXPECT_NE(kept[0].Path.find(L"\\...\\d\\d\\d"), std::wstring::npos) << "not a deep folder";
        EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
        EXPECT_TRUE(RunPython(RemoveChain, pc.Game + "Stavor\\Maps", ""));
        DeleteTree(pc.Game + "Stavor");
    } else {
        EXPECT_TRUE(kept.empty());
    }
    EXPECT_EQ(Snapshot(pc.Root), Without(before, {"Game\\Stavor", "Game\\Rikta.exe", "Game\\lexora.txt"}));
}

} // namespace
