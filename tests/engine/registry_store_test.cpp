#include "registry_store.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "profile_file.h"
#include "registry_hive.h"
#include "temp_dir.h"

namespace {

class RegistryStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        hadOld = old != nullptr;
        if (hadOld)
            saved = old;
        ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
        hivePath = dir.PathOf("vornpilot/registry.reg");
    }
    void TearDown() override {
        if (hadOld)
            ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }
    bool OnDisk() const { return std::filesystem::exists(hivePath); }
    CRegistryHive Disk() const {
        CRegistryHive h;
        EXPECT_TRUE(h.Load(hivePath));
        return h;
    }

    CTempDir dir;
    std::string hivePath;
    std::string saved;
    bool hadOld = false;
};

TEST_F(RegistryStoreTest, NothingWorksWithoutARoot) {
    CRegistryStore store;
    uint32_t v = 0;
    std::string text = "stale";
    EXPECT_FALSE(store.KeyExists("Software"));
    EXPECT_FALSE(store.GetDword("Software", "x", &v));
    EXPECT_FALSE(store.GetString("Software", "x", &text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(store.SetDword("Software", "x", 1));
    EXPECT_FALSE(store.SetString("Software", "x", "y"));
    EXPECT_FALSE(store.DeleteValue("Software", "x"));
    EXPECT_FALSE(OnDisk());
}

TEST_F(RegistryStoreTest, ValuesRoundTripThroughTheFile) {
    CRegistryStore store;
    store.SetRoot(HKEY_CURRENT_USER);
    EXPECT_EQ(store.FilePath(), hivePath);
    ASSERT_TRUE(store.SetDword("Software\\VORN\\HWM", "Total_Item_Count", 18));
    ASSERT_TRUE(OnDisk()) << "written at once outside a batch";
    ASSERT_TRUE(store.SetString("SOFTWARE\\vorn\\hwm\\3", "Name", "CPU \"hot\" \\ 1"));
    ASSERT_TRUE(store.SetDword("Software\\VORN\\HWM\\3", "LoLimit", 0xFFFFCC70));
    EXPECT_EQ(Disk().GetString("HKEY_CURRENT_USER\\Software\\VORN\\HWM\\3", "Name"),
              "CPU \"hot\" \\ 1");

    CRegistryStore other;  // another store of the same process sees the same values
    other.SetRoot(HKEY_CURRENT_USER);
    uint32_t v = 0;
    std::string text;
    EXPECT_TRUE(other.KeyExists("software\\VORN\\hwm\\3"));
    EXPECT_TRUE(other.GetDword("Software\\VORN\\HWM\\3", "lolimit", &v));
    EXPECT_EQ(v, 0xFFFFCC70u);
    EXPECT_FALSE(other.GetDword("Software\\VORN\\HWM\\3", "Name", &v)) << "a string";
    EXPECT_FALSE(other.GetString("Software\\VORN\\HWM\\3", "LoLimit", &text)) << "a dword";
    EXPECT_TRUE(other.DeleteValue("Software\\VORN\\HWM\\3", "Name"));
    EXPECT_FALSE(other.DeleteValue("Software\\VORN\\HWM\\3", "Name"));
    EXPECT_FALSE(store.GetString("Software\\VORN\\HWM\\3", "Name", &text));
    EXPECT_FALSE(Disk().GetString("HKEY_CURRENT_USER\\Software\\VORN\\HWM\\3", "Name"));
    EXPECT_FALSE(store.SetString("Software\\VORN", "Bad", "two\nlines"));
}

TEST_F(RegistryStoreTest, LongStringsReadBackAs1023Characters) {
    CRegistryStore store;
    store.SetRoot(HKEY_CURRENT_USER);
    ASSERT_TRUE(store.SetString("Software\\VORN\\HWM", "Long", std::string(1500, 'x')));
    std::string text;
    ASSERT_TRUE(store.GetString("Software\\VORN\\HWM", "Long", &text));
    EXPECT_EQ(text, std::string(1023, 'x'));
}

TEST_F(RegistryStoreTest, BatchWritesOnceAtTheOutermostEnd) {
    CRegistryStore store;
    store.SetRoot(HKEY_CURRENT_USER);
    {
        CRegistryBatch outer(store);
        ASSERT_TRUE(store.SetDword("Software\\VORN\\HWM", "A", 1));
        {
            CRegistryBatch inner(store);
            ASSERT_TRUE(store.SetDword("Software\\VORN\\HWM", "B", 2));
            EXPECT_TRUE(inner.Commit());
        }
        EXPECT_FALSE(OnDisk()) << "nothing written inside the batch";
        uint32_t v = 0;
        EXPECT_TRUE(store.GetDword("Software\\VORN\\HWM", "B", &v)) << "but readable";
        EXPECT_TRUE(outer.Commit());
    }
    ASSERT_TRUE(OnDisk());
    EXPECT_EQ(Disk().GetDword("HKEY_CURRENT_USER\\Software\\VORN\\HWM", "A"), 1u);
    EXPECT_EQ(Disk().GetDword("HKEY_CURRENT_USER\\Software\\VORN\\HWM", "B"), 2u);
}

TEST_F(RegistryStoreTest, ChangesOnDiskAreReadAgain) {
    CRegistryStore store;
    store.SetRoot(HKEY_CURRENT_USER);
    ASSERT_TRUE(store.SetDword("Software\\VORN\\HWM", "UNITS", 1));
    CRegistryHive edited = Disk();
    edited.SetString("HKEY_CURRENT_USER\\Software\\VORN\\HWM", "ErrorLog", "TRUE");
    ASSERT_TRUE(edited.Save(hivePath));
    std::string text;
    EXPECT_TRUE(store.GetString("Software\\VORN\\HWM", "ErrorLog", &text));
    EXPECT_EQ(text, "TRUE");
    ASSERT_TRUE(store.SetDword("Software\\VORN\\HWM", "UNITS", 2));
    EXPECT_EQ(Disk().GetString("HKEY_CURRENT_USER\\Software\\VORN\\HWM", "ErrorLog"), "TRUE")
        << "the edit is kept when the store writes";
}

TEST_F(RegistryStoreTest, MachineHiveIsNeverWritten) {
    CRegistryStore store;
    store.SetRoot(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(store.FilePath(), "/etc/vornpilot/registry.reg");
    EXPECT_FALSE(store.SetDword("Software\\VORN", "X", 1));
    EXPECT_FALSE(store.SetString("Software\\VORN", "X", "y"));
}

TEST(ProfileFile, WritesOneValueWithPrivateProfileRules) {
    CTempDir dir;
    CProfileFile log(dir.PathOf("Error.log"));
    ASSERT_TRUE(log.WriteString("261206, 02:14:44 Warning:", "Items", "CPU"));
    ASSERT_TRUE(log.WriteString("261206, 02:14:46 Warning:", "Items", "CPU  Fan"));
    ASSERT_TRUE(log.WriteString("261206, 02:14:44 WARNING:", "items", "CPU  +12V"));
    std::ifstream in(dir.PathOf("Error.log"));
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text,
              "[261206, 02:14:44 Warning:]\n"
              "Items=CPU  +12V\n"
              "[261206, 02:14:46 Warning:]\n"
              "Items=CPU  Fan\n");
    EXPECT_EQ(log.GetString("261206, 02:14:46 Warning:", "ITEMS"), "CPU  Fan");
    EXPECT_EQ(log.GetString("nowhere", "Items", "none"), "none");
    EXPECT_FALSE(CProfileFile(dir.Path()).WriteString("S", "k", "v")) << "a directory";
}

}  // namespace
