#include "registry_hive.h"

#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "temp_dir.h"

namespace {

constexpr const char* HWM = "HKEY_CURRENT_USER\\Software\\VORN\\HWM";
constexpr const char* ITEM3 = "HKEY_CURRENT_USER\\Software\\VORN\\HWM\\3";

CRegistryHive LoadFixture(const char* name) {
    CRegistryHive hive;
    HiveError error;
    EXPECT_TRUE(hive.Load(std::string(VORN_TEST_DATA_DIR) + "/" + name, &error))
        << error.line << ": " << error.message;
    return hive;
}

}  // namespace

TEST(RegistryHive, LoadsStringsDwordsEscapesAndDefaultValue) {
    CRegistryHive hive = LoadFixture("user.reg");
    EXPECT_EQ(hive.GetDword(HWM, "Total_Item_Count"), 18u);
    EXPECT_EQ(hive.GetString(ITEM3, "Name"), "CPU");
    EXPECT_EQ(hive.GetDword(ITEM3, "ItemNo"), 3u);
    EXPECT_EQ(hive.GetString(ITEM3, "Note"), "say \"hi\" to C:\\Tools\\");
    EXPECT_EQ(hive.GetString(ITEM3, ""), "default");
    // A value of the other type is not there for the typed getter.
    EXPECT_EQ(hive.GetString(ITEM3, "ItemNo"), std::nullopt);
    EXPECT_EQ(hive.GetDword(ITEM3, "Name"), std::nullopt);
    EXPECT_FALSE(hive.IsModified());
}

TEST(RegistryHive, LoadsCrlfText) {
    CRegistryHive hive = LoadFixture("crlf.reg");
    EXPECT_EQ(hive.GetString("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\DirectX", "Version"),
              "4.09.00.0904");
}

TEST(RegistryHive, KeysAndNamesCompareWithoutCase) {
    CRegistryHive hive = LoadFixture("user.reg");
    EXPECT_EQ(hive.GetString("hkey_current_user\\SOFTWARE\\vorn\\hwm\\3", "NAME"), "CPU");
    EXPECT_TRUE(hive.KeyExists("HKEY_CURRENT_USER\\software"));
    ASSERT_TRUE(hive.SetString("HKEY_CURRENT_USER\\SOFTWARE\\VORN\\HWM\\3", "name", "Core"));
    EXPECT_EQ(hive.ListValues(ITEM3), (std::vector<std::string>{"Name", "ItemNo", "Note", ""}));
    EXPECT_EQ(hive.GetString(ITEM3, "Name"), "Core");
    // The first spelling of a key stays.
    EXPECT_EQ(hive.Serialize().find("[HKEY_CURRENT_USER\\SOFTWARE"), std::string::npos);
}

TEST(RegistryHive, RoundTripsThroughTextAndFile) {
    CRegistryHive hive;
    ASSERT_TRUE(hive.SetString(ITEM3, "Name", "back\\slash \"quoted\""));
    ASSERT_TRUE(hive.SetDword(ITEM3, "Limit", 0xFFFFFFFFu));
    ASSERT_TRUE(hive.SetString(ITEM3, "", "default"));
    ASSERT_TRUE(hive.SetString(ITEM3, "Empty", ""));
    ASSERT_TRUE(hive.SetString(HWM, "Text",
                               "\xC2\xB0"
                               "C"));
    ASSERT_TRUE(hive.IsModified());

    CTempDir dir;
    std::string path = dir.PathOf("vornpilot/registry.reg");
    std::string error;
    ASSERT_TRUE(hive.Save(path, &error)) << error;
    EXPECT_FALSE(hive.IsModified());

    CRegistryHive again;
    HiveError herr;
    ASSERT_TRUE(again.Load(path, &herr)) << herr.message;
    EXPECT_EQ(again.Serialize(), hive.Serialize());
    EXPECT_EQ(again.GetString(ITEM3, "Name"), "back\\slash \"quoted\"");
    EXPECT_EQ(again.GetDword(ITEM3, "Limit"), 0xFFFFFFFFu);
    EXPECT_EQ(again.GetString(ITEM3, ""), "default");
    EXPECT_EQ(again.GetString(ITEM3, "Empty"), "");
    EXPECT_EQ(again.GetString(HWM, "Text"),
              "\xC2\xB0"
              "C");
    EXPECT_NE(hive.Serialize().find("\"Limit\"=dword:ffffffff\n"), std::string::npos);
    EXPECT_EQ(hive.Serialize().rfind(std::string(CRegistryHive::HEADER), 0), 0u);
}

TEST(RegistryHive, SubkeysDeletesAndParents) {
    CRegistryHive hive = LoadFixture("user.reg");
    EXPECT_EQ(hive.ListSubkeys(HWM), (std::vector<std::string>{"10", "3"}));
    EXPECT_EQ(hive.ListSubkeys("HKEY_CURRENT_USER"), (std::vector<std::string>{"Software"}));
    EXPECT_TRUE(hive.ListSubkeys("HKEY_CURRENT_USER\\Nothing").empty());

    EXPECT_TRUE(hive.DeleteValue(ITEM3, "NAME"));
    EXPECT_FALSE(hive.DeleteValue(ITEM3, "Name"));
    EXPECT_EQ(hive.GetString(ITEM3, "Name"), std::nullopt);

    EXPECT_TRUE(hive.DeleteKey("HKEY_CURRENT_USER\\Software\\VORN\\hwm"));
    EXPECT_FALSE(hive.KeyExists(ITEM3));
    EXPECT_FALSE(hive.KeyExists(HWM));
    EXPECT_TRUE(hive.KeyExists("HKEY_CURRENT_USER\\Software\\VORN"));
    EXPECT_FALSE(hive.DeleteKey(HWM));

    // A key "HWM2" is not a subkey of "HWM".
    ASSERT_TRUE(hive.SetDword(std::string(HWM) + "2", "X", 1));
    ASSERT_TRUE(hive.SetDword(std::string(HWM) + "\\1", "X", 1));
    EXPECT_EQ(hive.ListSubkeys(HWM), (std::vector<std::string>{"1"}));
    EXPECT_TRUE(hive.DeleteKey(HWM));
    EXPECT_EQ(hive.GetDword(std::string(HWM) + "2", "X"), 1u);
}

TEST(RegistryHive, RefusesWhatTheFormatCannotHold) {
    CRegistryHive hive;
    const char* badKeys[] = {"", "A\\\\B", "\\A", "A\\", "A\\B\nC"};
    for (const char* key : badKeys) {
        EXPECT_FALSE(hive.SetDword(key, "X", 1)) << key;
        EXPECT_FALSE(hive.CreateKey(key)) << key;
    }
    EXPECT_FALSE(hive.SetString(ITEM3, "Name", "two\nlines"));
    EXPECT_FALSE(hive.SetString(ITEM3, "Na\rme", "x"));
    EXPECT_FALSE(hive.SetString(ITEM3, "Name", std::string("nul\0", 4)));
    EXPECT_FALSE(hive.IsModified());
    EXPECT_FALSE(hive.KeyExists("HKEY_CURRENT_USER"));
}

TEST(RegistryHive, MalformedTextIsAnErrorWithItsLineAndLoadsNothing) {
    const std::string head = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n";
    struct Case {
        std::string text;
        int line;
    };
    const Case cases[] = {
        {"", 1},
        {"REGEDIT4\n", 1},
        {"\n\nWindows Registry Editor Version 4.00\n", 3},
        {"Windows Registry Editor Version 5.00\n\"Name\"=\"x\"\n", 2},
        {head + "\"Name\"=\"unterminated\n", 4},
        {head + "\"Name\"=\"bad \\n escape\"\n", 4},
        {head + "\"Name\"=\"x\" trailing\n", 4},
        {head + "\"Name\"\"x\"\n", 4},
        {head + "\"Name=\"x\"\n", 4},
        {head + "\"Name\"=hex:01,02\n", 4},
        {head + "\"Name\"=dword:\n", 4},
        {head + "\"Name\"=dword:123456789\n", 4},
        {head + "\"Name\"=dword:0000000g\n", 4},
        {head + "\"Name\"=dword:00000a\n", 4},
        {head + "\"Ok\"=\"x\"\n\"Name\"=dword:0000", 5},
        {head + "\"Name\"=-\n", 4},
        {head + "Name=\"x\"\n", 4},
        {head + "[HKEY_CURRENT_USER\\B\n", 4},
        {head + "[-HKEY_CURRENT_USER\\A]\n", 4},
        {head + "[HKEY_CURRENT_USER\\\\B]\n", 4},
        {head + "[]\n", 4},
        {head + "\"Ok\"=dword:00000001\n\n\"Name\"=\n", 6},
    };
    for (const auto& c : cases) {
        CRegistryHive hive;
        ASSERT_TRUE(hive.SetString(ITEM3, "Name", "kept"));
        HiveError error;
        EXPECT_FALSE(hive.Parse(c.text, &error)) << c.text;
        EXPECT_EQ(error.kind, EHiveError::Malformed) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_FALSE(error.message.empty());
        // Nothing of the bad text got in; the previous content stands.
        EXPECT_FALSE(hive.KeyExists("HKEY_CURRENT_USER\\A")) << c.text;
        EXPECT_EQ(hive.GetString(ITEM3, "Name"), "kept") << c.text;
    }
}

TEST(RegistryHive, AcceptsLenientButUnambiguousText) {
    CRegistryHive hive;
    HiveError error;
    ASSERT_TRUE(
        hive.Parse("\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
                   "  [HKEY_CURRENT_USER\\A]  \n"
                   "\"Lower\" = DWORD:0000abcd\n"
                   "\"Short\"=dword:0000001F\n"
                   "\"Dup\"=\"first\"\n"
                   "\"dup\"=\"second\"\n"
                   "[hkey_current_user\\a]\n"
                   "\"More\"=\"x\"\n",
                   &error))
        << error.line << ": " << error.message;
    EXPECT_EQ(hive.GetDword("HKEY_CURRENT_USER\\A", "Lower"), 0xabcdu);
    EXPECT_EQ(hive.GetDword("HKEY_CURRENT_USER\\A", "Short"), 0x1fu);
    EXPECT_EQ(hive.GetString("HKEY_CURRENT_USER\\A", "Dup"), "second");
    EXPECT_EQ(hive.ListValues("HKEY_CURRENT_USER\\A"),
              (std::vector<std::string>{"Lower", "Short", "Dup", "More"}));
}

TEST(RegistryHive, LoadReportsMissingAndUnreadableFiles) {
    CTempDir dir;
    CRegistryHive hive;
    HiveError error;
    EXPECT_FALSE(hive.Load(dir.PathOf("none.reg"), &error));
    EXPECT_EQ(error.kind, EHiveError::Missing);
    EXPECT_FALSE(hive.Load(dir.Path(), &error));
    EXPECT_NE(error.kind, EHiveError::None);
    EXPECT_NE(error.kind, EHiveError::Missing);
}

// What is at the settings path may be anything: none of it may hang the program, fill its
// memory or be read for minutes. Each is refused at once, with what it is.
TEST(RegistryHive, LoadRefusesWhatIsNotASmallPlainFile) {
    CTempDir dir;
    const std::string path = dir.PathOf("registry.reg");
    struct Case {
        const char* name;
        std::function<bool()> make;
        const char* said;
    };
    const Case cases[] = {
        {"FIFO", [&] { return ::mkfifo(path.c_str(), 0600) == 0; }, "not a regular file"},
        {"link to /dev/zero", [&] { return ::symlink("/dev/zero", path.c_str()) == 0; },
         "not a regular file"},
        {"100 MB file",
         [&] {
             return dir.WriteFile("registry.reg", "Windows Registry Editor Version 5.00\n") &&
                    ::truncate(path.c_str(), 100 << 20) == 0;
         },
         "larger than"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::unlink(path.c_str());
        ASSERT_TRUE(c.make());
        CRegistryHive hive;
        HiveError error;
        EXPECT_FALSE(hive.Load(path, &error));
        EXPECT_EQ(error.kind, EHiveError::Unreadable);
        EXPECT_NE(error.message.find(c.said), std::string::npos) << error.message;
    }
}

TEST(RegistryHive, UserHivePathFollowsXdgConfigHome) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    std::string keep = saved != nullptr ? saved : "";
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(CRegistryHive::UserHivePath(), "/cfg/vornpilot/registry.reg");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    std::string fallback = CRegistryHive::UserHivePath();
    EXPECT_NE(fallback.find("/.config/vornpilot/registry.reg"), std::string::npos) << fallback;
    if (saved != nullptr) {
        ::setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
    EXPECT_EQ(CRegistryHive::MachineHivePath(), "/etc/vornpilot/registry.reg");
}
