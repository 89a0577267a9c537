// The tree removal where names, links and timing are hostile: names that a conversion to
// the ANSI code page turns into separators or question marks, names that path calls
// normalise away, paths beyond MAX_PATH, and folders changed while the walk runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <optional>

#include "app/DelQuestsForm.h"
#include "app/GetInfAbCompForm.h"
#include "app/Initer.h"
#include "wintk/FolderHandles.h"
#include "support/GameSetup.h"

namespace {

using KeptMap = std::map<std::wstring, DWORD>;

KeptMap AsMap(const KeptEntries& kept)
{
    KeptMap map;
    for (const KeptEntry& entry : kept)
        map[entry.Path] = entry.Reason;
    return map;
}

bool ExistsW(const std::wstring& path)
{
    return GetFileAttributesW((L"\\\\?\\" + path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteFileW(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

// The walk calls this after reading each folder; the test names one folder and what is
// done to it there, once.
std::wstring changeAt;
void (*change)() = nullptr;

void ChangeOnce(const std::wstring& folder)
{
    if (folder != changeAt || !change)
        return;
    auto run = change;
    change = nullptr;
    run();
}

class TreeRemoval : public ::testing::Test {
protected:
    void SetUp() override { InstallState = InstallStateRecord(); }
    void TearDown() override
    {
        AfterFolderRead = nullptr;
        AfterListingBatch = nullptr;
        change = nullptr;
    }
    GameSetup pc{"tree-removal"};
};

// Each of these names comes back from FindFirstFileA as "..\..", "\", ".\" or
// "..\..\..": joined to the backup folder's path they named the game folder's parent,
// or the backup folder again and again until the paths passed MAX_PATH.
TEST_F(TreeRemoval, FullWidthNamesStayInsideTheTreeAndTheRemovalEnds)
{
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    pc.InstallQuests();
    TreeSnapshot before = Snapshot(pc.Root);
    const std::wstring backup = Wide(pc.Game + "Stavor\\");
    // "．．＼．．", "＼", "．＼" and "Maps\．．＼．．＼．．"
    const std::wstring names[] = {L"\uff0e\uff0e\uff3c\uff0e\uff0e", L"\uff3c", L"\uff0e\uff3c", L"Maps\\\uff0e\uff0e\uff3c\uff0e\uff0e\uff3c\uff0e\uff0e"};
    for (const std::wstring& name : names) {
        WriteFileW(backup + name);
        ASSERT_TRUE(ExistsW(backup + name));
    }

    ProbeInstallation({});
    ASSERT_TRUE(InstallState.BackupDirExists);
    EXPECT_EQ(AsMap(DeleteQuestLeftovers()), KeptMap());
    EXPECT_EQ(Snapshot(pc.Root), Without(before, {"Game\\Stavor", "Game\\Rikta.exe", "Game\\lexora.txt"}));
}

// Made from the host: letters outside code page 1251 (which the ANSI calls see as '?'),
// a character beyond the 16-bit range, names with a trailing dot or space, and a file
// more than 260 characters deep.
TEST_F(TreeRemoval, TakesNamesAndPathsThatTheAnsiCallsCannotReach)
{
    TreeSnapshot before = Snapshot(pc.Root);
    MakeFolder(pc.Root + "Tree");
    // "漢字.txt", "Ωμέγα\ά.txt", U+1F600 (a surrogate pair), "file.", "dir \inner.", and the deep file.
    const std::wstring level(60, L'L');
    const std::wstring deepFile = L"deep\\" + level + L"\\" + level + L"\\" + level + L"\\" + level + L"\\end.txt";
    ASSERT_TRUE(MakeOnHost(pc.Root + "Tree\\", {L"\u6f22\u5b57.txt", L"\u03a9\u03bc\u03ad\u03b3\u03b1\\", L"\u03a9\u03bc\u03ad\u03b3\u03b1\\\u03ac.txt", L"\U0001F600", L"file.", L"dir \\",
                                               L"dir \\inner.", L"deep\\", L"deep\\" + level + L"\\",
                                               L"deep\\" + level + L"\\" + level + L"\\",
                                               L"deep\\" + level + L"\\" + level + L"\\" + level + L"\\",
                                               L"deep\\" + level + L"\\" + level + L"\\" + level + L"\\" + level + L"\\", deepFile}));
    const std::wstring tree = Wide(pc.Root + "Tree\\");
    for (const std::wstring& name : {std::wstring(L"\u6f22\u5b57.txt"), std::wstring(L"\u03a9\u03bc\u03ad\u03b3\u03b1\\\u03ac.txt"), std::wstring(L"\U0001F600"),
                                     std::wstring(L"file."), std::wstring(L"dir \\inner."), deepFile})
        ASSERT_TRUE(ExistsW(tree + name)) << Narrow(name);
    ASSERT_GT((tree + deepFile).size(), size_t(MAX_PATH));

    EXPECT_EQ(AsMap(RemoveFolderTree(tree, true)), KeptMap());
    EXPECT_EQ(Snapshot(pc.Root), before);
}

// Wine hands a unix name with a backslash or colon in it to Windows as it is: such a name
// is never joined to a path; its folder stays and is reported, the rest goes.
TEST_F(TreeRemoval, NamesWithSeparatorsAreLeftAndReported)
{
    MakeTree(pc.Root, {{"Tree\\", ""}, {"Tree\\sub\\", ""}, {"Tree\\sub\\plain.txt", "p"}, {"Tree\\plain.txt", "p"}});
    ASSERT_TRUE(RunOnHost("cd '" + HostPath(pc.Root + "Tree") + "' && touch '..\\..' 'x:y' && touch 'sub/..\\..\\..'"));
    TreeSnapshot before = Without(Snapshot(pc.Root), {"Tree"});

    EXPECT_EQ(AsMap(RemoveFolderTree(Wide(pc.Root + "Tree\\"), true)),
              (KeptMap{{Wide(pc.Root + "Tree\\"), ERROR_INVALID_NAME}, {Wide(pc.Root + "Tree\\sub\\"), ERROR_INVALID_NAME}}));
    EXPECT_EQ(Without(Snapshot(pc.Root), {"Tree"}), before);
    EXPECT_TRUE(Exists(pc.Root + "Tree\\sub"));
    EXPECT_FALSE(Exists(pc.Root + "Tree\\plain.txt") || Exists(pc.Root + "Tree\\sub\\plain.txt"));
}

// Between the listing of Tree and the opening of Tree\sub, sub is moved away and a link
// to a folder outside the tree takes its name. Wine opens the link's target even when
// asked for the link itself, so the walk sees another folder than it listed and leaves
// it; on Windows the handle is on the link, which goes as it is.
TEST_F(TreeRemoval, FolderSwappedForALinkAfterTheListingIsNeverEntered)
{
    MakeTree(pc.Root, {{"Outside\\", ""}, {"Outside\\o1.txt", "outside"}, {"Outside\\inner\\", ""}, {"Outside\\inner\\o2.txt", "deep"},
                       {"Tree\\", ""}, {"Tree\\a.txt", "a"}, {"Tree\\sub\\", ""}, {"Tree\\sub\\s1.txt", "s1"},
                       {"Tree\\sub\\deep\\", ""}, {"Tree\\sub\\deep\\s2.txt", "s2"}, {"Tree\\z.txt", "z"}});
    TreeSnapshot outside = Snapshot(pc.Root + "Outside\\"), sub = Snapshot(pc.Root + "Tree\\sub\\");
    static std::string swap;
    swap = "mv '" + HostPath(pc.Root + "Tree\\sub") + "' '" + HostPath(pc.Root + "Moved") + "' && ln -s '" +
           HostPath(pc.Root + "Outside") + "' '" + HostPath(pc.Root + "Tree\\sub") + "'";
    changeAt = Wide(pc.Root + "Tree\\");
    change = [] { RunOnHost(swap); };
    AfterFolderRead = ChangeOnce;

    KeptEntries kept = RemoveFolderTree(Wide(pc.Root + "Tree\\"), true);
    ASSERT_EQ(change, nullptr) << "the walk never reached the swap";
    ASSERT_TRUE(GetFileAttributesA((pc.Root + "Tree\\sub").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(Snapshot(pc.Root + "Outside\\"), outside);
    EXPECT_EQ(Snapshot(pc.Root + "Moved\\"), sub);
    EXPECT_EQ(AsMap(kept), (KeptMap{{Wide(pc.Root + "Tree\\sub"), ERROR_FILE_INVALID}}));
    EXPECT_FALSE(Exists(pc.Root + "Tree\\a.txt") || Exists(pc.Root + "Tree\\z.txt"));
}

// A folder of thousands of entries is listed one buffer at a time, never whole: a user's
// backup folder may hold millions of long names.
TEST_F(TreeRemoval, ALargeFolderIsReadABatchAtATime)
{
    ASSERT_TRUE(MakeManyFiles(pc.Root + "Tree\\Many", 3000));
    static std::vector<size_t> batches;
    batches.clear();
    AfterListingBatch = [](size_t entries) { batches.push_back(entries); };
    EXPECT_TRUE(RemoveFolderTree(Wide(pc.Root + "Tree\\"), true).empty());
    EXPECT_FALSE(Exists(pc.Root + "Tree"));
    ASSERT_GT(batches.size(), 2u);
    EXPECT_LT(*std::max_element(batches.begin(), batches.end()), 1000u);
    // Tree holds one folder, which holds 3,000 files; each folder is counted, then its files taken.
    EXPECT_EQ(std::accumulate(batches.begin(), batches.end(), size_t(0)), 2 * 3001u);
}

// Two deletions that fail after the walk has prepared them: a read-only file mapped as a
// program image (read-only is cleared, the delete refused, read-only put back), and a
// folder that gains a file after its listing.
TEST_F(TreeRemoval, EntriesWhoseDeleteFailsStayAsTheyWere)
{
    MakeTree(pc.Root, {{"Tree\\", ""}, {"Tree\\sub\\", ""}, {"Tree\\sub\\x.txt", "x"}, {"Tree\\y.txt", "y"}});
    const std::string image = pc.Root + "Tree\\image.dll";
    std::optional<MappedReadOnlyImage> mapped(std::in_place, image);
    ASSERT_TRUE(mapped->Ok());
    const DWORD imageAttributes = GetFileAttributesA(image.c_str());
    ASSERT_TRUE(imageAttributes & FILE_ATTRIBUTE_READONLY);
    static std::string late;
    late = pc.Root + "Tree\\sub\\late.txt";
    changeAt = Wide(pc.Root + "Tree\\sub\\");
    change = [] { WriteFile(late, "late"); };
    AfterFolderRead = ChangeOnce;

    KeptEntries kept = RemoveFolderTree(Wide(pc.Root + "Tree\\"), true);
    EXPECT_EQ(GetFileAttributesA(image.c_str()), imageAttributes);
    mapped.reset();
    ASSERT_EQ(change, nullptr) << "the walk never reached the change";
    EXPECT_EQ(AsMap(kept), (KeptMap{{Wide(image), ERROR_ACCESS_DENIED}, {Wide(pc.Root + "Tree\\sub"), ERROR_DIR_NOT_EMPTY}}));
    EXPECT_EQ(Without(Snapshot(pc.Root), {"Tree\\image.dll"}),
              (TreeSnapshot{{"Game", "<folder>"}, {"Tree", "<folder>"}, {"Tree\\sub", "<folder>"}, {"Tree\\sub\\late.txt", "late"}}));
    EXPECT_TRUE(Exists(image));
}

// Deletions that the system takes but that do not happen yet, and files that must not be
// changed: a service file that another program holds open with delete sharing (its name
// outlives the deletion), and read-only files with a second name
// outside (their attributes are not cleared through it). Each is named; the key stays.
TEST_F(TreeRemoval, PendingDeletesAndHardLinkedReadOnlyFilesStayNamed)
{
    pc.RegisterGame(pc.Game);
    pc.InstallQuests();
    MakeTree(pc.Root, {{"Outside\\", ""}});
    const std::string linked[] = {pc.Game + "Rikta.exe", pc.Game + "Stavor\\Maps\\zone1.mp"};
    for (const std::string& file : linked) {
        SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
        ASSERT_TRUE(CreateHardLinkA((pc.Root + "Outside\\" + file.substr(file.rfind('\\') + 1)).c_str(), file.c_str(), nullptr));
    }
    const std::string held = pc.Game + "lexora.txt";
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    TreeSnapshot outside = Snapshot(pc.Root + "Outside\\");

    ProbeInstallation({});
    KeptMap kept = AsMap(DeleteQuestLeftovers());
    EXPECT_TRUE(Exists(held));
    CloseHandle(holder);
    EXPECT_EQ(kept, (KeptMap{{Wide(linked[0]), ERROR_TOO_MANY_LINKS}, {Wide(linked[1]), ERROR_TOO_MANY_LINKS}, {Wide(held), ERROR_DELETE_PENDING}}));
    EXPECT_EQ(Snapshot(pc.Root + "Outside\\"), outside);
    for (const std::string& file : linked)
        EXPECT_EQ(GetFileAttributesA(file.c_str()), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE)) << file;
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
}

} // namespace

