// What a removal had to leave is counted whole but stored only as far as the warning shows
// it: a user can make millions of entries with paths of thousands of characters, and the
// program is 32-bit.
#include <gtest/gtest.h>

#include "wintk/Kept.h"

#include <psapi.h>

namespace {

size_t PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return counters.PrivateUsage;
}

TEST(Kept, CountsEveryEntryAndStoresOnlyTheFirstTenInOrder)
{
    const size_t before = PrivateBytes();
    KeptEntries tree, keys;
    std::wstring path(2000, L'd');
    for (int i = 0; i < 100000; ++i) {
        path.replace(0, 6, std::to_wstring(100000 + i));
        tree.Add(path, ERROR_SHARING_VIOLATION);
    }
    keys.push_back({L"Software\\KalmirOriginal", ERROR_ACCESS_DENIED});
    EXPECT_LT(PrivateBytes() - before, 4u << 20) << "100,000 paths of 2,000 characters were stored";
    ASSERT_EQ(tree.size(), 100000u);
    EXPECT_EQ(std::distance(tree.begin(), tree.end()), 10);
    EXPECT_EQ(tree[9].Path.substr(0, 6), L"100009");

    KeptEntries all;
    all.Append(keys, L"HKEY_LOCAL_MACHINE\\");
    all.Append(tree);
    EXPECT_EQ(all.size(), 100001u);
    EXPECT_EQ(all[0].Path, L"HKEY_LOCAL_MACHINE\\Software\\KalmirOriginal");
    EXPECT_EQ(all[9].Path.substr(0, 6), L"100008");
    all.clear();
    EXPECT_TRUE(all.empty());
}

} // namespace
