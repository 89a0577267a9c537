#include <gtest/gtest.h>

#include "support/Sandbox.h"
#include "wintk/Registry.h"

namespace {

const char TestKey[] = "Software\\TessalyTest\\Registry";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteRegTree(HKEY_CURRENT_USER, "Software\\TessalyTest"); }
    void TearDown() override { DeleteRegTree(HKEY_CURRENT_USER, "Software\\TessalyTest"); }
};

TEST_F(RegistryTest, KeyPresentFollowsTheRealKey)
{
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, TestKey));
    MakeRegKey(HKEY_CURRENT_USER, TestKey);
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, TestKey));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, "Software") );
    EXPECT_FALSE(KeyPresent(nullptr, TestKey));
}

TEST_F(RegistryTest, ReadStringValueReadsOnlyPlainStrings)
{
    SetRegString(HKEY_CURRENT_USER, TestKey, "plain", "C:\\Games\\\xcf\xf0\xee\xea\xeb\xff\xf2\xfb\xe5\\");
    SetRegString(HKEY_CURRENT_USER, TestKey, "expand", "%SystemRoot%\\x\\", REG_EXPAND_SZ);
    SetRegString(HKEY_CURRENT_USER, TestKey, "empty", "");
    HKEY key = KeyOpenForRead(HKEY_CURRENT_USER, TestKey);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(ReadStringValue(key, "plain"), "C:\\Games\\\xcf\xf0\xee\xea\xeb\xff\xf2\xfb\xe5\\");
    EXPECT_TRUE(ValuePresent(key, "expand"));
    EXPECT_EQ(ReadStringValue(key, "expand"), "");
    EXPECT_TRUE(ValuePresent(key, "empty"));
    EXPECT_EQ(ReadStringValue(key, "empty"), "");
    EXPECT_FALSE(ValuePresent(key, "missing"));
    EXPECT_EQ(ReadStringValue(key, "missing"), "");
    KeyClose(key);
    EXPECT_FALSE(ValuePresent(nullptr, "plain"));
    EXPECT_EQ(ReadStringValue(nullptr, "plain"), "");
}

TEST_F(RegistryTest, ReadStringValueStopsAtTheStoredSizeWithoutTerminator)
{
    MakeRegKey(HKEY_CURRENT_USER, TestKey);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, TestKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const char bytes[] = {'a', 'b', 'c'};
    RegSetValueExA(key, "raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes), 3);
    RegSetValueExA(key, "inner", 0, REG_SZ, reinterpret_cast<const BYTE*>("ab\0cd"), 6);
    EXPECT_EQ(ReadStringValue(key, "raw"), "abc");
    EXPECT_EQ(ReadStringValue(key, "inner"), "ab");
    RegCloseKey(key);
}

TEST_F(RegistryTest, KeyRemoveDeletesOneLeafKeyOnly)
{
    MakeRegKey(HKEY_CURRENT_USER, std::string(TestKey) + "\\Child");
    EXPECT_FALSE(KeyRemove(nullptr, TestKey));
    // A key with a sub-key: the platform may refuse; whatever it answers must match the registry.
    bool removed = KeyRemove(HKEY_CURRENT_USER, TestKey);
    EXPECT_EQ(removed, !RegKeyExists(HKEY_CURRENT_USER, TestKey));
    DeleteRegTree(HKEY_CURRENT_USER, "Software\\TessalyTest");
    MakeRegKey(HKEY_CURRENT_USER, TestKey);
    EXPECT_TRUE(KeyRemove(HKEY_CURRENT_USER, TestKey));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, TestKey));
    EXPECT_FALSE(KeyRemove(HKEY_CURRENT_USER, TestKey));
}

} // namespace
