// A user can make millions of kept entries with paths of thousands of characters, and the
// program is 32-bit: they are counted, and only the ten that the warning shows are stored.
#include <gtest/gtest.h>

#include "wintk/Kept.h"

#include <psapi.h>

namespace {

TEST(Kept, CountsEveryEntryAndStoresOnlyTheFirstTen)
{
    PROCESS_MEMORY_COUNTERS_EX before = {}, after = {};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&before), sizeof before);
    KeptEntries tree, all = {{L"Software\\KalmirOriginal", ERROR_ACCESS_DENIED}};
    for (int i = 0; i < 100000; ++i)
        tree.Add(std::to_wstring(i) + std::wstring(2000, L'\\'), ERROR_SHARING_VIOLATION);
    all.Append(tree, L"C:\\");
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&after), sizeof after);
    EXPECT_LT(after.PrivateUsage - before.PrivateUsage, 4u << 20) << "the paths were stored";
    EXPECT_EQ(all.size(), 100001u);
    ASSERT_EQ(std::distance(all.begin(), all.end()), 10);
    EXPECT_EQ(all[9].Path.substr(0, 5), L"C:\\8\\");
}

} // namespace
