// A user can make millions of kept entries with paths of thousands, or tens of millions, of
// characters, and the program is 32-bit: they are counted, only the ten that the warning
// shows are stored, and of each only what the warning shows.
#include <gtest/gtest.h>

#include "wintk/Kept.h"

#include <psapi.h>

namespace {

TEST(Kept, CountsEveryEntryAndStoresOnlyTheFirstTen)
{
    const std::wstring deep = L"Stavor\\" + std::wstring(20000000, L'd') + L"\\leaf";
    PROCESS_MEMORY_COUNTERS_EX before = {}, after = {};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&before), sizeof before);
    KeptEntries tree, all = {{L"Software\\KalmirOriginal", ERROR_ACCESS_DENIED}};
    for (int i = 0; i < 5; ++i)
        tree.Add(deep, ERROR_SHARING_VIOLATION);
    for (int i = 5; i < 100000; ++i)
        tree.Add(std::to_wstring(i) + std::wstring(2000, L'\\'), ERROR_SHARING_VIOLATION);
    all.Append(tree, L"C:\\");
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&after), sizeof after);
    EXPECT_LT(after.PrivateUsage - before.PrivateUsage, 4u << 20) << "the paths were stored";
    EXPECT_EQ(all.size(), 100001u);
    ASSERT_EQ(std::distance(all.begin(), all.end()), 10);
    EXPECT_EQ(all[9].Path.substr(0, 5), L"C:\\8\\");
    EXPECT_EQ(all[1].Path.substr(0, 13), L"C:\\Stavor\\ddd");
    EXPECT_LE(all[1].Path.size(), 3 + 120u);
    EXPECT_TRUE(all[1].Path.ends_with(L"d\\leaf"));
}

} // namespace
