#include "system_info.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include <gtest/gtest.h>

#include "dmi_builder.h"
#include "recording_notifier.h"
#include "temp_dir.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const std::string DATA = VORN_TEST_DATA_DIR;

class CFakeDisplay : public IDisplayInfo {
  public:
    explicit CFakeDisplay(std::optional<DisplayMode> mode) : m_mode(mode) {}
    std::optional<DisplayMode> PrimaryMode() override { return m_mode; }

  private:
    std::optional<DisplayMode> m_mode;
};

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

// A made-up Linux machine from the fixtures; nothing of this machine's own is read.
SystemSources FixtureSources(const CTempDir& dir) {
    SystemSources s;
    s.dmi.dmiDir = DATA + "/dmi";
    s.dmi.smbiosTable = dir.PathOf("no-table");
    s.dmi.biosArea = dir.PathOf("no-area");
    s.pciRoot = DATA + "/pci";
    s.machineHive = DATA + "/machine.reg";
    s.userDirsFile = DATA + "/user-dirs.dirs";
    s.homeDir = "/home/tester";
    s.localeName = "en_US.UTF-8";
    s.hostName = "localhost";
    s.executable = "/opt/vorn/bin/vornpilot";
    s.osVersion = Record(VER_PLATFORM_LINUX, 6, 1);
    return s;
}

}  // namespace

TEST(SystemInfo, EveryKeyFromItsLinuxSource) {
    CTempDir dir;
    CFakeDisplay display(DisplayMode{1024, 768, 32});
    SystemSources sources = FixtureSources(dir);
    sources.display = &display;
    CRecordingNotifier notifier;
    CSystemInfo info(notifier, sources);
    struct Case {
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"Path", "/opt/vorn/bin/"},
        {"MBModel", "XB-100"},
        {"BIOSProvider", "Vorn BIOS Inc."},
        {"BIOSDate", "06/15/2005"},
        {"VGAID", "SUBSYS_85991043"},
        {"WinSPVer", ""},
        {"DetectOS", ""},
        {"Lang", "ENU"},
        {"ComputerName", "localhost"},
        {"IPAddr", "127.0.0.1"},
        {"WinDesktop", "/home/tester/Desktop"},
        {"WinTemp", "/srv/templates"},
        {"WinPicture", "/home/tester/Pictures"},
        {"WinMusic", ""},
        {"WinSystem", ""},
        {"WinProgram", ""},
        {"WinDir", ""},
        {"Resolution", "1024x768"},
        {"BitPixel", "32"},
        {"DirectX", "9.0b"},
        {"IEVer", ""},
        {"Unknown", ""},
        {"path", ""},
        {"mbmodel", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(info.GetInfo(c.key), c.value) << c.key;
    }
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST(SystemInfo, LiveFactsOfThisMachineHaveTheirForms) {
    CTempDir dir;
    SystemSources sources = FixtureSources(dir);
    sources.executable.clear();
    sources.hostName.clear();
    CRecordingNotifier notifier;
    CSystemInfo info(notifier, sources);

    std::string path = info.GetInfo("Path");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.back(), '/');
    EXPECT_EQ(fs::path(path), fs::canonical("/proc/self/exe").parent_path() / "");

    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(info.GetInfo("ComputerName"), host);
    std::string ip = info.GetInfo("IPAddr");
    EXPECT_TRUE(ip.empty() || std::regex_match(ip, std::regex(R"(\d+\.\d+\.\d+\.\d+)"))) << ip;
    EXPECT_FALSE(info.GetInfo("UserName").empty());
    EXPECT_TRUE(std::regex_match(info.GetInfo("TickCount"), std::regex(R"(-?\d+)")));
    EXPECT_TRUE(
        std::regex_match(info.GetInfo("SysDate"), std::regex(R"([1-9]\d?/[1-9]\d?/\d{4})")));
    EXPECT_TRUE(std::regex_match(info.GetInfo("SysTime"),
                                 std::regex(R"(([1-9]\d|\d):([1-9]\d|\d):([1-9]\d|\d))")));
}

TEST(SystemInfo, BoardModelOfEachBoardName) {
    struct Case {
        const char* boardName;  // nullptr: no board facts at all
        const char* model;
    };
    const Case cases[] = {
        {" XB-100 (Rev 1.0)\n", "XB-100"},
        {"AB//CD\n", "AB__CD"},
        {"A/B\n", "A/B"},
        {"P5Q-E  \n", "P5Q-E"},
        {nullptr, "NULL"},  // no instance of the board class
    };
    for (const auto& c : cases) {
        CTempDir dir;
        SystemSources sources = FixtureSources(dir);
        sources.dmi.dmiDir = dir.PathOf("dmi");
        fs::create_directories(sources.dmi.dmiDir);
        if (c.boardName != nullptr) {
            WriteFile(dir.Dir() / "dmi/board_name", c.boardName);
        }
        CRecordingNotifier notifier;
        EXPECT_EQ(CSystemInfo(notifier, sources).GetInfo("MBModel"), c.model) << c.model;
    }
}

TEST(SystemInfo, DmiTablesStandInForAMissingDirectory) {
    CTempDir dir;
    const Bytes table = Concat({BiosStructure("Table BIOS", "07/04/2006"),
                                BoardStructure("Vorn", " TB-7 (A)"), Structure(127, 4, {}, {})});
    SystemSources sources = FixtureSources(dir);
    sources.dmi.dmiDir = dir.PathOf("empty-dmi");
    fs::create_directories(sources.dmi.dmiDir);
    WriteFile(dir.Dir() / "empty-dmi/board_name", "\n");  // present but empty gives nothing
    CRecordingNotifier notifier;

    WriteBytes(dir.Dir() / "no-area", BiosArea(table, 0x5A0, 0x6000, 3));
    EXPECT_EQ(CSystemInfo(notifier, sources).GetInfo("MBModel"), "TB-7");
    EXPECT_EQ(CSystemInfo(notifier, sources).GetInfo("BIOSDate"), "07/04/2006");

    // The structure table is asked before the BIOS area.
    WriteBytes(dir.Dir() / "no-table",
               Concat({BoardStructure("Vorn", "FROM-TABLE"), Structure(127, 4, {}, {})}));
    CSystemInfo info(notifier, sources);
    EXPECT_EQ(info.GetInfo("MBModel"), "FROM-TABLE");
    // The table has no BIOS structure: no BIOS instance, whose date gives no date text.
    EXPECT_EQ(info.GetInfo("BIOSProvider"), "NULL");
    EXPECT_EQ(info.GetInfo("BIOSDate"), "");
    EXPECT_TRUE(notifier.Messages().empty());

    // The directory's own facts win over the tables.
    WriteFile(dir.Dir() / "empty-dmi/board_name", "DIR-BOARD\n");
    EXPECT_EQ(CSystemInfo(notifier, sources).GetInfo("MBModel"), "DIR-BOARD");
}

TEST(SystemInfo, BiosDateCenturyRuleFollowsTheVersionRecord) {
    struct Case {
        OsVersionRecord record;
        const char* date;
    };
    const Case cases[] = {
        {Record(VER_PLATFORM_LINUX, 6, 1), "06/15/1905"},
        {Record(VER_PLATFORM_WIN32_NT, 5, 0, "Service Pack 1"), "06/15/2005"},
        {Record(VER_PLATFORM_WIN32_NT, 5, 1), "06/15/1905"},
    };
    for (const auto& c : cases) {
        CTempDir dir;
        SystemSources sources = FixtureSources(dir);
        sources.dmi.dmiDir = dir.PathOf("dmi");
        WriteFile(dir.Dir() / "dmi/bios_date", "06/15/05\n");
        sources.osVersion = c.record;
        CRecordingNotifier notifier;
        EXPECT_EQ(CSystemInfo(notifier, sources).GetInfo("BIOSDate"), c.date) << c.record.platform;
    }
}

TEST(SystemInfo, NinetyFiveFamilyReadsTheDmiTable) {
    CTempDir dir;
    const Bytes table = Concat({BiosStructure("Old BIOS", "06/15/05"),
                                BoardStructure("Vorn", "AB//CD (1)"), Structure(127, 4, {}, {})});
    SystemSources sources = FixtureSources(dir);
    WriteBytes(dir.Dir() / "no-area", BiosArea(table, 0x200, 0x9000, 3));
    sources.osVersion = Record(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    CRecordingNotifier notifier;
    CSystemInfo info(notifier, sources);
    EXPECT_EQ(info.GetInfo("DetectOS"), "Win98");
    EXPECT_EQ(info.GetInfo("MBModel"), "AB__CD");
    EXPECT_EQ(info.GetInfo("BIOSProvider"), "Old BIOS");
    EXPECT_EQ(info.GetInfo("BIOSDate"), "06/15/05");
    EXPECT_EQ(info.GetInfo("VGAID"), "");
    EXPECT_EQ(info.GetInfo("WinSPVer"), "");
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST(SystemInfo, DirectXNeedsTheMachineKey) {
    struct Case {
        const char* hive;  // nullptr: no file
        const char* answer;
    };
    const Case cases[] = {
        {nullptr, ""},
        {"not a hive\n", ""},
        {"Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Other]\n", ""},
        {"Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\"
         "DirectX]\n\"Other\"=\"1\"\n",
         ""},
        {"Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\"
         "DirectX]\n\"Version\"=\"4.08.01.0881\"\n",
         "8.1"},
    };
    for (const auto& c : cases) {
        CTempDir dir;
        SystemSources sources = FixtureSources(dir);
        sources.machineHive = dir.PathOf("registry.reg");
        if (c.hive != nullptr) {
            WriteFile(sources.machineHive, c.hive);
        }
        CRecordingNotifier notifier;
        EXPECT_EQ(CSystemInfo(notifier, sources).GetInfo("DirectX"), c.answer)
            << (c.hive ? c.hive : "no file");
    }
}

TEST(SystemInfo, DisplayFactsNeedAReadableMode) {
    struct Case {
        std::optional<DisplayMode> mode;
        const char* resolution;
        const char* bits;
    };
    const Case cases[] = {
        {std::nullopt, "", ""},
        {DisplayMode{1920, 1080, 0}, "1920x1080", ""},
        {DisplayMode{0, 0, 24}, "", "24"},
    };
    for (const auto& c : cases) {
        CTempDir dir;
        CFakeDisplay display(c.mode);
        SystemSources sources = FixtureSources(dir);
        sources.display = &display;
        CRecordingNotifier notifier;
        CSystemInfo info(notifier, sources);
        EXPECT_EQ(info.GetInfo("Resolution"), c.resolution);
        EXPECT_EQ(info.GetInfo("BitPixel"), c.bits);
    }
}

TEST(SystemInfo, WithoutAnXDisplayThereIsNoScreen) {
    const char* saved = std::getenv("DISPLAY");
    std::string keep = saved != nullptr ? saved : "";
    ::unsetenv("DISPLAY");
    CTempDir dir;
    CRecordingNotifier notifier;
    CSystemInfo info(notifier, FixtureSources(dir));
    EXPECT_EQ(info.GetInfo("Resolution"), "");
    EXPECT_EQ(info.GetInfo("BitPixel"), "");
    CXlibDisplayInfo x;
    EXPECT_EQ(x.PrimaryMode(), std::nullopt);
    if (saved != nullptr) {
        ::setenv("DISPLAY", keep.c_str(), 1);
    }
}

TEST(SystemInfo, LanguageOfTheLocale) {
    struct Case {
        const char* locale;
        const char* code;
    };
    const Case cases[] = {
        {"de_DE.UTF-8", "DEU"}, {"pt_PT", "PTG"}, {"en_GB.UTF-8", ""}, {"C", ""}, {"", ""}};
    for (const auto& c : cases) {
        CTempDir dir;
        SystemSources sources = FixtureSources(dir);
        sources.localeName = c.locale;
        CRecordingNotifier notifier;
        EXPECT_EQ(CSystemInfo(notifier, sources).GetInfo("Lang"), c.code) << c.locale;
    }
}
