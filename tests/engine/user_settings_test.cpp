#include "user_settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>

#include "settings_notices.h"
#include "temp_dir.h"
#include "thousandths.h"

namespace {

class UserSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old != nullptr)
            m_saved = old;
        m_hadOld = old != nullptr;
        ::setenv("XDG_CONFIG_HOME", m_dir.Path().c_str(), 1);
        std::filesystem::create_directories(m_dir.PathOf("vornpilot"));
    }
    void TearDown() override {
        if (m_hadOld)
            ::setenv("XDG_CONFIG_HOME", m_saved.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }
    std::string HivePath() const { return m_dir.PathOf("vornpilot/registry.reg"); }
    static std::string Read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    // Files beside the settings file whose names start with "registry.reg.".
    std::vector<std::filesystem::path> Beside() const {
        std::vector<std::filesystem::path> found;
        for (const auto& e : std::filesystem::directory_iterator(m_dir.PathOf("vornpilot"))) {
            if (e.path().filename().string().rfind("registry.reg.", 0) == 0)
                found.push_back(e.path());
        }
        return found;
    }

    CTempDir m_dir;
    std::string m_saved;
    bool m_hadOld = false;
};

const SensorItemConfig RAIL{.Name = "-12V \"rail\"",
                            .ItemNo = 6,
                            .ItemType = ITEM_VOLTAGE,
                            .HiLimit = FromThousandths(-10800),
                            .LoLimit = FromThousandths(-13200),
                            .Enable = true,
                            .PinName = "VIN4"};
const SensorItemConfig FAN{.Name = "CPU Fan",
                           .ItemNo = 14,
                           .ItemType = ITEM_FAN,
                           .HiLimit = FromThousandths(1687000),
                           .LoLimit = FromThousandths(1687000),
                           .ShutDownEnable = true,
                           .Enable = true,
                           .PinName = "CPUFAN0",
                           .BeepEnable = true,
                           .SmartFanSupport = true,
                           .SmartFanEnable = true,
                           .TargetTemp = 55,
                           .StartCtrl = 40,
                           .StopCtrl = 20,
                           .ToleranceTemp = 3};

// The fields the user's settings keep for an item.
auto Kept(const SensorItemConfig& c) {
    return std::tie(c.Name, c.PinName, c.ItemNo, c.ItemType, c.Enable, c.BeepEnable,
                    c.ShutDownEnable, c.HiLimit, c.LoLimit, c.SmartFanSupport, c.SmartFanEnable,
                    c.TargetTemp, c.ToleranceTemp, c.StartCtrl, c.StopCtrl);
}

// The stored form other versions read: key and value names, value types and order, byte for
// byte. Everything written comes back as it went, in a later process's reading of the file.
TEST_F(UserSettingsTest, RoundTripThroughTheFileOnDisk) {
    {
        CUserSettings settings;
        ASSERT_TRUE(settings.InOneWrite([&] {
            return settings.WriteGlobalValues(18, true) && settings.WriteItem(RAIL) &&
                   settings.WriteItem(FAN);
        }));
        ASSERT_TRUE(settings.Set(UNIT_CELSIUS, false));
        ASSERT_TRUE(settings.Set(ERROR_LOG_RECORDING, true));
    }
    EXPECT_EQ(Read(HivePath()),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER]\n\n"
              "[HKEY_CURRENT_USER\\Software]\n\n"
              "[HKEY_CURRENT_USER\\Software\\VORN]\n\n"
              "[HKEY_CURRENT_USER\\Software\\VORN\\HWM]\n"
              "\"Total_Item_Count\"=dword:00000012\n"
              "\"Global_Beep_Enable\"=dword:00000001\n"
              "\"UNIT\"=\"F\"\n"
              "\"ErrorLog\"=\"TRUE\"\n\n"
              "[HKEY_CURRENT_USER\\Software\\VORN\\HWM\\14]\n"
              "\"Name\"=\"CPU Fan\"\n\"PinName\"=\"CPUFAN0\"\n"
              "\"ItemNo\"=dword:0000000e\n\"ItemType\"=dword:00000003\n"
              "\"Enable\"=dword:00000001\n\"BeepEnable\"=dword:00000001\n"
              "\"ShutDownEnable\"=dword:00000001\n"
              "\"HiLimit\"=dword:0019bdd8\n\"LoLimit\"=dword:0019bdd8\n"
              "\"SmartFanSupport\"=dword:00000001\n\"SmartFanEnable\"=dword:00000001\n"
              "\"TargetTemp\"=dword:00000037\n\"ToleranceTemp\"=dword:00000003\n"
              "\"StartCtrl\"=dword:00000028\n\"StopCtrl\"=dword:00000014\n\n"
              "[HKEY_CURRENT_USER\\Software\\VORN\\HWM\\6]\n"
              "\"Name\"=\"-12V \\\"rail\\\"\"\n\"PinName\"=\"VIN4\"\n"
              "\"ItemNo\"=dword:00000006\n\"ItemType\"=dword:00000001\n"
              "\"Enable\"=dword:00000001\n\"BeepEnable\"=dword:00000000\n"
              "\"ShutDownEnable\"=dword:00000000\n"
              "\"HiLimit\"=dword:ffffd5d0\n\"LoLimit\"=dword:ffffcc70\n\n");

    CUserSettings again;
    EXPECT_TRUE(again.Exists());
    bool beep = false;
    EXPECT_TRUE(again.ReadGlobalValues(&beep));
    EXPECT_TRUE(beep);
    EXPECT_FALSE(again.Get(UNIT_CELSIUS));
    EXPECT_TRUE(again.Get(ERROR_LOG_RECORDING));
    for (const SensorItemConfig& written : {RAIL, FAN}) {
        SensorItemConfig read;
        read.Factor = 3;  // the board file's own: left alone
        std::string problem;
        ASSERT_TRUE(again.ReadItem(written.ItemNo, &read, &problem)) << problem;
        EXPECT_EQ(read.Factor, 3);
        EXPECT_EQ(Kept(read), Kept(written)) << written.Name;
    }
}

// A new on/off setting is a declaration: it defaults as declared, and stores its two texts.
TEST_F(UserSettingsTest, ADeclaredSwitchDefaultsAndRoundTrips) {
    constexpr SSwitchSetting LATER{"Later", "YES", "NO", true};
    CUserSettings settings;
    EXPECT_TRUE(settings.Get(LATER));
    ASSERT_TRUE(settings.Set(LATER, false));
    EXPECT_FALSE(CUserSettings().Get(LATER));
    EXPECT_NE(Read(HivePath()).find("\"Later\"=\"NO\"\n"), std::string::npos);
    ASSERT_TRUE(settings.Set(LATER, true));
    EXPECT_TRUE(CUserSettings().Get(LATER));
}

// No file, a file that is not a settings file, a directory in its place: the defaults, a
// notice naming the file, and what was there is never written over in part.
TEST_F(UserSettingsTest, MissingOrBadFileGivesDefaultsAndIsNotWrittenOver) {
    struct Case {
        const char* name;
        const char* content;  // nullptr: no file; "/": a directory
        const char* notice;   // nullptr: none
        bool saves;           // a change is saved as a whole new file
    };
    const Case cases[] = {
        {"missing", nullptr, nullptr, true},
        {"damaged", "this is not a settings file\n", "is damaged", true},
        {"directory", "/", "cannot be read", false},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(m_dir.PathOf("vornpilot"));
        std::filesystem::create_directories(m_dir.PathOf("vornpilot"));
        if (c.content != nullptr && std::string(c.content) == "/") {
            std::filesystem::create_directory(HivePath());
        } else if (c.content != nullptr) {
            ASSERT_TRUE(m_dir.WriteFile("vornpilot/registry.reg", c.content));
        }

        CUserSettings settings;
        bool beep = true;
        SensorItemConfig record;
        std::string problem;
        EXPECT_FALSE(settings.Exists()) << c.name;
        EXPECT_FALSE(settings.ReadGlobalValues(&beep)) << c.name;
        EXPECT_FALSE(settings.ReadItem(1, &record, &problem)) << c.name;
        EXPECT_EQ(problem,
                  "value \"Name\" of [HKEY_CURRENT_USER\\Software\\VORN\\HWM\\1] is missing or "
                  "not of its type")
            << c.name;
        EXPECT_TRUE(settings.Get(UNIT_CELSIUS)) << c.name;
        EXPECT_FALSE(settings.Get(ERROR_LOG_RECORDING)) << c.name;
        const std::vector<std::string> notices = SettingsNotices();
        auto said = [&](const std::string& what) {
            return std::any_of(notices.begin(), notices.end(), [&](const std::string& n) {
                return n.find(HivePath() + what) != std::string::npos;
            });
        };
        if (c.notice != nullptr) {
            EXPECT_TRUE(said(std::string(" ") + c.notice)) << c.name;
        } else {
            EXPECT_FALSE(said("")) << c.name;
        }

        EXPECT_EQ(settings.Set(ERROR_LOG_RECORDING, true), c.saves) << c.name;
        if (c.saves) {
            EXPECT_TRUE(CUserSettings().Get(ERROR_LOG_RECORDING)) << c.name;
            EXPECT_EQ(Read(HivePath()).rfind("Windows Registry Editor Version 5.00\n\n", 0), 0u)
                << c.name;
        } else {
            EXPECT_TRUE(std::filesystem::is_directory(HivePath())) << c.name;
        }
        // A damaged file is kept whole beside the new one, for the user.
        const auto beside = Beside();
        ASSERT_EQ(beside.size(), c.content != nullptr && c.saves ? 1u : 0u) << c.name;
        if (!beside.empty()) {
            EXPECT_EQ(Read(beside.front()), c.content) << c.name;
        }
    }
}

}  // namespace
