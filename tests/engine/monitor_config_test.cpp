// The engine's configuration: board file, registry settings, which of them wins, and saving.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>

#include "engine_fixture.h"
#include "number_format.h"
#include "thousandths.h"

namespace {

using ConfigTest = EngineFixture;

TEST_F(ConfigTest, BoardFileNameFromProgramFolderAndModel) {
    struct Case {
        const char* path;
        const char* model;
        const char* expected;
    };
    const Case cases[] = {
        {"/mon/", "AB/99", "/mon/AB_99.ini"},
        {"/mon/", "", "/mon/.ini"},
        {"/opt/vorn/", "MB-945P/EHF", "/opt/vorn/MB-945P_EHF.ini"},
        {"/opt/vorn/", "a/b/c", "/opt/vorn/a_b_c.ini"},
    };
    for (const Case& c : cases) {
        machine.facts["Path"] = c.path;
        machine.facts["MBModel"] = c.model;
        CMonitorEngine engine(machine, io);
        EXPECT_EQ(engine.BuildConfigFileName(), c.expected) << c.model;
    }
}

TEST_F(ConfigTest, ThousandthsUseTheSinglePrecisionConstant) {
    EXPECT_EQ(FormatFixed(FromThousandths(12600), 0, 7), "12.6000006");
    EXPECT_NE(FromThousandths(12600), 12.6);
    const int32_t roundTrips[] = {12600, -13200, 1, -1, 0, 800000, 3630, -10800, 2147483};
    for (int32_t v : roundTrips)
        EXPECT_EQ(ToThousandths(FromThousandths(v)), v) << v;
    EXPECT_EQ(ToThousandths(1e12), INT32_MAX);
    EXPECT_EQ(ToThousandths(-1e12), INT32_MIN);
    EXPECT_EQ(ToThousandths(std::nan("")), 0);
}

TEST_F(ConfigTest, NegativeLimitSavedAsDwordAndReadBack) {
    UseTestBoard("two_rails.ini");
    bool ok = false;
    auto engine = Start(&ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(engine->SettingsSource(), CMonitorEngine::ESettingsSource::BoardFile);
    double hi = 0, lo = 0;
    engine->FindItem(1)->GetLimits(&hi, &lo);
    EXPECT_EQ(hi, FromThousandths(12600));
    CRegistryHive hive = Hive();
    EXPECT_EQ(hive.GetDword(ItemKey(2), "LoLimit"), 0xFFFFCC70u);
    EXPECT_EQ(hive.GetDword(ItemKey(2), "HiLimit"), static_cast<uint32_t>(-10800));
    EXPECT_EQ(hive.GetDword(ItemKey(1), "HiLimit"), 12600u);
    engine.reset();

    auto second = Start(&ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(second->SettingsSource(), CMonitorEngine::ESettingsSource::Registry);
    ASSERT_EQ(second->RegistryRecords().size(), 2u);
    EXPECT_EQ(second->RegistryRecords()[1]->LoLimit, FromThousandths(-13200));
    second->FindItem(2)->GetLimits(&hi, &lo);
    EXPECT_EQ(lo, FromThousandths(-13200));
    EXPECT_NEAR(lo, -13.2, 1e-6);
}

TEST_F(ConfigTest, LoadRulesOfTheBoardFile) {
    struct Case {
        const char* name;
        const char* fixture;
        const char* section;  // edited key, when given
        const char* key;
        const char* value;
        bool loads;
        size_t records;
    };
    const Case cases[] = {
        {"complete", "two_rails.ini", nullptr, nullptr, nullptr, true, 2},
        {"a key of -1 is missing", "two_rails.ini", "ITEM2", "LoLimit", "-1", false, 1},
        {"-1 in the first section", "two_rails.ini", "ITEM1", "CpuNo", "-1", false, 0},
        {"count -1 is missing", "two_rails.ini", "GLOBAL", "Total_Item_Count", "-1", false, 0},
        {"beep missing", "two_rails.ini", "GLOBAL", "Global_Beep_Enable", "-1", false, 0},
        {"count 0 reads nothing", "two_rails.ini", "GLOBAL", "Total_Item_Count", "0", true, 0},
        {"count below 0 reads nothing", "two_rails.ini", "GLOBAL", "Total_Item_Count", "-5", true,
         0},
        {"more sections than the count", "two_rails.ini", "GLOBAL", "Total_Item_Count", "1", true,
         1},
        {"count beyond the sections", "two_rails.ini", "GLOBAL", "Total_Item_Count", "3", false, 2},
        {"an empty value is missing", "two_rails.ini", "ITEM1", "Factor", "", false, 0},
        {"a temperature needs no fan keys", "no_name.ini", nullptr, nullptr, nullptr, true, 1},
        {"a fan needs StopCtrl", "fan_no_stopctrl.ini", nullptr, nullptr, nullptr, false, 1},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(HivePath());
        UseTestBoard(c.fixture);
        if (c.section != nullptr)
            EditBoard(c.section, c.key, c.value);
        bool ok = false;
        auto engine = Start(&ok);
        EXPECT_EQ(ok, c.loads) << c.name;
        EXPECT_EQ(engine->FileRecords().size(), c.records) << c.name;
        EXPECT_EQ(engine->Items().size(), c.loads ? c.records : 0u)
            << c.name << ": no item is created from a board file that failed to load";
    }
}

TEST_F(ConfigTest, MissingBoardFileLeavesAnEmptyTable) {
    machine.facts["MBModel"] = "NO-SUCH-BOARD";
    bool ok = true;
    auto engine = Start(&ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(engine->Items().empty());
    EXPECT_EQ(engine->ConfigFilePath(), programDir + "NO-SUCH-BOARD.ini");
    EXPECT_TRUE(engine->UpdateAll()) << "a pass over no items reads only the status";
}

TEST_F(ConfigTest, KeysAndSectionsIgnoreCaseAndNameDefaultsToError) {
    UseTestBoard("no_name.ini");
    bool ok = false;
    auto engine = Start(&ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(engine->Items().size(), 1u);
    EXPECT_EQ(engine->Items()[0]->GetName(), "Error");
    EXPECT_EQ(engine->Items()[0]->GetPinName(), "SYSTEMPERATURE");
    EXPECT_FALSE(engine->GetGlobalBeepEnable());
}

TEST_F(ConfigTest, GlobalBeepOnlyForOne) {
    const struct {
        const char* value;
        bool on;
    } cases[] = {{"1", true}, {"2", false}, {"0", false}, {"01", true}, {"17", false}};
    for (const auto& c : cases) {
        std::filesystem::remove(HivePath());
        UseTestBoard("two_rails.ini");
        EditBoard("GLOBAL", "Global_Beep_Enable", c.value);
        bool ok = false;
        auto engine = Start(&ok);
        ASSERT_TRUE(ok) << c.value;
        EXPECT_EQ(engine->GetFileGlobalBeep(), c.on) << c.value;
        EXPECT_EQ(engine->GetGlobalBeepEnable(), c.on) << c.value;
        EXPECT_EQ(Hive().GetDword("HKEY_CURRENT_USER\\Software\\VORN\\HWM", "Global_Beep_Enable"),
                  c.on ? 1u : 0u);
    }
}

TEST_F(ConfigTest, FirstStartWritesTheHiveAndTheNextAppliesIt) {
    UseSimBoardFile();
    bool ok = false;
    auto first = Start(&ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(first->SettingsSource(), CMonitorEngine::ESettingsSource::BoardFile);
    CRegistryHive hive = Hive();
    EXPECT_EQ(hive.GetDword("HKEY_CURRENT_USER\\Software\\VORN\\HWM", "Total_Item_Count"), 18u);
    EXPECT_EQ(hive.GetString(ItemKey(11), "Name"), "CPU");
    EXPECT_EQ(hive.GetString(ItemKey(11), "PinName"), "CPUTEMPERATURE");
    EXPECT_EQ(hive.GetDword(ItemKey(11), "ShutDownEnable"), 1u);
    EXPECT_EQ(hive.GetDword(ItemKey(14), "StartCtrl"), 100u);
    EXPECT_FALSE(hive.GetDword(ItemKey(11), "StartCtrl")) << "fan values only for fans";
    EXPECT_FALSE(hive.GetDword(ItemKey(11), "Factor")) << "the board file keeps the factor";

    // The user's change, saved; then the board file changes too.
    first->FindItem(11)->SetLimits(68, 62);
    first->FindItem(11)->SetShutdownEnabled(false);
    ASSERT_TRUE(first->SaveRegistryConfig());
    first.reset();
    EditBoard("ITEM11", "HiLimit", "90000");

    auto second = Start(&ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(second->SettingsSource(), CMonitorEngine::ESettingsSource::Registry);
    double hi = 0, lo = 0;
    second->FindItem(11)->GetLimits(&hi, &lo);
    EXPECT_EQ(hi, FromThousandths(68000));
    EXPECT_EQ(lo, FromThousandths(62000));
    EXPECT_FALSE(second->FindItem(11)->IsShutdownEnabled());
    double chipHi = 0, chipLo = 0;
    CW83627EHF chip{io};
    ASSERT_EQ(chip.ReadTemperatureLimits(0x50, &chipHi, &chipLo, 1), 1);
    EXPECT_EQ(chipHi, 68) << "the saved limit reached the chip, without a stray half degree";
    EXPECT_EQ(chipLo, 62);
}

TEST_F(ConfigTest, BoardFileWithMoreItemsAddsTheNewItemAndKeepsTheUsersOthers) {
    UseTestBoard("two_rails.ini");
    EditBoard("GLOBAL", "Total_Item_Count", "1");
    Start().reset();
    EXPECT_EQ(Hive().GetDword("HKEY_CURRENT_USER\\Software\\VORN\\HWM", "Total_Item_Count"), 1u);
    EXPECT_FALSE(Hive().KeyExists(ItemKey(2)));
    CRegistryHive hive = Hive();
    hive.SetDword(ItemKey(1), "HiLimit", 13000);
    ASSERT_TRUE(hive.Save(HivePath()));

    EditBoard("GLOBAL", "Total_Item_Count", "2");
    testing::internal::CaptureStderr();
    bool ok = false;
    auto engine = Start(&ok);
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ok);
    EXPECT_EQ(engine->SettingsSource(), CMonitorEngine::ESettingsSource::Registry);
    EXPECT_NE(err.find("item 2 uses the board file's settings"), std::string::npos) << err;
    EXPECT_EQ(Hive().GetDword("HKEY_CURRENT_USER\\Software\\VORN\\HWM", "Total_Item_Count"), 2u);
    EXPECT_EQ(Hive().GetString(ItemKey(2), "Name"), "-12V");
    EXPECT_EQ(Hive().GetDword(ItemKey(1), "HiLimit"), 13000u) << "the user's item 1 stays";
}

// A value missing or of the wrong type costs its own item the user's settings, never the
// others', and the message names the value and the key.
TEST_F(ConfigTest, BadValueAffectsItsItemAloneAndIsNamed) {
    struct Case {
        const char* name;
        std::function<void(CRegistryHive&)> spoil;
        const char* value;
    };
    const Case cases[] = {
        {"string where a DWORD belongs",
         [](CRegistryHive& h) { h.SetString(ItemKey(2), "HiLimit", "1550"); }, "HiLimit"},
        {"cut at the end of the item block",
         [](CRegistryHive& h) {
             h.DeleteValue(ItemKey(2), "LoLimit");
             h.DeleteValue(ItemKey(2), "HiLimit");
         },
         "HiLimit"},
        {"name missing", [](CRegistryHive& h) { h.DeleteValue(ItemKey(2), "Name"); }, "Name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UseTestBoard("two_rails.ini");
        std::filesystem::remove(HivePath());
        Start().reset();
        CRegistryHive hive = Hive();
        hive.SetDword(ItemKey(1), "HiLimit", 13000);
        hive.SetDword(ItemKey(2), "LoLimit", static_cast<uint32_t>(-13000));
        c.spoil(hive);
        ASSERT_TRUE(hive.Save(HivePath()));

        testing::internal::CaptureStderr();
        bool ok = false;
        auto engine = Start(&ok);
        const std::string err = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(ok) << err;
        EXPECT_NE(err.find(std::string("value \"") + c.value + "\" of [" + ItemKey(2) + "]"),
                  std::string::npos)
            << err;
        double hi = 0, lo = 0;
        engine->FindItem(1)->GetLimits(&hi, &lo);
        EXPECT_EQ(hi, FromThousandths(13000)) << "item 1 keeps the user's limit";
        EXPECT_EQ(Hive().GetDword(ItemKey(1), "HiLimit"), 13000u);
        EXPECT_EQ(Hive().GetDword(ItemKey(2), "HiLimit"),
                  static_cast<uint32_t>(ToThousandths(engine->FileRecords()[1]->HiLimit)))
            << "item 2 has the board file's limit";
        EXPECT_EQ(Hive().GetString(ItemKey(2), "Name"), "-12V") << "item 2 is whole again";
    }
}

// A settings file cut in the middle of a line, or with a line of junk after it, keeps every
// item that reads whole; only the items whose values were lost get the board file's, each
// named; the file as it was is kept aside and the file is whole again after the start.
TEST_F(ConfigTest, ABrokenLineCostsOnlyTheItemsItHeld) {
    struct Case {
        const char* name;
        std::function<std::string(const std::string&)> spoil;
    };
    const Case cases[] = {
        {"cut in the middle of a value",
         [](const std::string& text) {
             const size_t key = text.find("[" + ItemKey(5) + "]");
             const size_t value = text.find("\"ItemNo\"=dword:", key);
             return text.substr(0, value + std::string("\"ItemNo\"=dword:0000").size());
         }},
        {"a line of junk appended",
         [](const std::string& text) { return text + "\xFFjunk that is no line of a hive\n"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(dir.PathOf("config"));
        UseSimBoardFile();
        Start().reset();
        CRegistryHive hive = Hive();
        ASSERT_TRUE(hive.SetDword(ItemKey(1), "HiLimit", 1450));
        ASSERT_TRUE(hive.Save(HivePath()));
        std::string text;
        {
            std::ifstream in(HivePath(), std::ios::binary);
            text.assign(std::istreambuf_iterator<char>(in), {});
        }
        const std::string spoilt = c.spoil(text);
        std::ofstream(HivePath(), std::ios::binary | std::ios::trunc) << spoilt;

        testing::internal::CaptureStderr();
        bool ok = false;
        auto engine = Start(&ok);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(ok) << err;
        EXPECT_EQ(engine->SettingsSource(), CMonitorEngine::ESettingsSource::Registry) << err;
        double hi = 0, lo = 0;
        engine->FindItem(1)->GetLimits(&hi, &lo);
        EXPECT_EQ(ToThousandths(hi), 1450) << "item 1 keeps the user's limit";
        EXPECT_NE(err.find("has lines that do not read"), std::string::npos) << err;
        int lostItems = 0;
        for (int n = 1; n <= 18; ++n) {
            // An item is lost when its block (up to the next key line) is not all there.
            const size_t block = text.find("[" + ItemKey(n) + "]");
            const size_t next = text.find("\n[", block + 1);
            const bool lost = spoilt.size() < (next == std::string::npos ? text.size() : next);
            lostItems += lost;
            EXPECT_EQ(err.find("item " + std::to_string(n) + " uses the board file's settings") !=
                          std::string::npos,
                      lost)
                << n << ": " << err;
        }
        EXPECT_EQ(lostItems > 0, c.spoil(text).size() < text.size());
        int aside = 0;
        for (const auto& e :
             std::filesystem::directory_iterator(dir.PathOf("config") + "/vornpilot")) {
            if (e.path().filename().string().rfind("registry.reg.corrupt-", 0) == 0) {
                std::ifstream in(e.path(), std::ios::binary);
                EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), spoilt);
                ++aside;
            }
        }
        EXPECT_EQ(aside, 1) << "the file as it was is kept";
        CRegistryHive whole;
        HiveError error;
        EXPECT_TRUE(whole.Load(HivePath(), &error)) << error.message;
        EXPECT_EQ(whole.GetDword(ItemKey(1), "HiLimit"), 1450u);
        EXPECT_EQ(whole.GetDword(ItemKey(18), "ItemNo"), 18u);
    }
}

// A control character in a name from the board file (a NUL, an escape) is shown as "?", so the
// settings are saved and read back whole at every start.
TEST_F(ConfigTest, ANameWithControlCharactersIsSavedAndReadBack) {
    UseSimBoardFile();
    std::string board;
    {
        std::ifstream in(BoardPath(), std::ios::binary);
        board.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string name = "Name=CPU Core";
    board.replace(board.find(name), name.size(), std::string("Name=CPU\0Co\x1Bre", 14));
    std::ofstream(BoardPath(), std::ios::binary | std::ios::trunc) << board;

    auto first = Start();
    EXPECT_EQ(first->FindItem(1)->GetName(), "CPU?Co?re");
    const auto& problems = first->BoardFileProblems();
    EXPECT_NE(std::find_if(problems.begin(), problems.end(),
                           [](const std::string& p) {
                               return p.find("[ITEM1] Name: holds control characters") !=
                                      std::string::npos;
                           }),
              problems.end());
    first.reset();
    EXPECT_EQ(Hive().GetString(ItemKey(1), "Name"), "CPU?Co?re");
    testing::internal::CaptureStderr();
    auto second = Start();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(second->SettingsSource(), CMonitorEngine::ESettingsSource::Registry);
    EXPECT_EQ(err, "") << "nothing is missing from the saved settings";
}

// What a save killed half-way left beside the settings file is removed at the next start;
// a file of another name stays.
TEST_F(ConfigTest, AKilledSavesTemporaryFileIsRemovedAtTheNextStart) {
    UseTestBoard("two_rails.ini");
    Start().reset();
    const std::string folder = dir.PathOf("config") + "/vornpilot/";
    std::ofstream(folder + ".registry.reg.Qw12Er") << "half a hive";
    std::ofstream(folder + ".registry.reg.keep") << "not the writer's";
    const timespec old[2] = {{::time(nullptr) - 600, 0}, {::time(nullptr) - 600, 0}};
    for (const char* name : {".registry.reg.Qw12Er", ".registry.reg.keep"})
        ASSERT_EQ(::utimensat(AT_FDCWD, (folder + name).c_str(), old, 0), 0);
    auto engine = Start();
    EXPECT_EQ(engine->SettingsSource(), CMonitorEngine::ESettingsSource::Registry);
    EXPECT_FALSE(std::filesystem::exists(folder + ".registry.reg.Qw12Er"));
    EXPECT_TRUE(std::filesystem::exists(folder + ".registry.reg.keep"));
}

TEST_F(ConfigTest, DamagedHiveIsKeptAsideAndTheStartIsAFirstStart) {
    UseTestBoard("two_rails.ini");
    std::filesystem::create_directories(dir.PathOf("config") + "/vornpilot");
    {
        std::ofstream bad(HivePath());
        bad << "this is not a hive\n";
    }
    testing::internal::CaptureStderr();
    bool ok = false;
    auto engine = Start(&ok);
    std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ok);
    EXPECT_EQ(engine->SettingsSource(), CMonitorEngine::ESettingsSource::BoardFile);
    EXPECT_NE(err.find("damaged"), std::string::npos) << err;
    EXPECT_NE(err.find("first run"), std::string::npos) << err;
    int aside = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.PathOf("config") + "/vornpilot")) {
        if (e.path().filename().string().rfind("registry.reg.corrupt-", 0) == 0) {
            std::ifstream in(e.path());
            std::string text((std::istreambuf_iterator<char>(in)), {});
            EXPECT_EQ(text, "this is not a hive\n");
            ++aside;
        }
    }
    EXPECT_EQ(aside, 1);
    EXPECT_EQ(Hive().GetString(ItemKey(1), "Name"), "+12V") << "a fresh hive was written";
}

TEST_F(ConfigTest, RegistryNamingAMissingItemIsReplaced) {
    UseTestBoard("two_rails.ini");
    Start().reset();
    CRegistryHive hive = Hive();
    hive.SetDword(ItemKey(2), "ItemNo", 7);
    hive.SetDword(ItemKey(1), "HiLimit", 13000);
    ASSERT_TRUE(hive.Save(HivePath()));

    std::string before;
    {
        std::ifstream in(HivePath());
        before.assign(std::istreambuf_iterator<char>(in), {});
    }
    testing::internal::CaptureStderr();
    bool ok = false;
    auto engine = Start(&ok);
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ok);
    EXPECT_EQ(engine->SettingsSource(), CMonitorEngine::ESettingsSource::BoardFile);
    double hi = 0, lo = 0;
    engine->FindItem(1)->GetLimits(&hi, &lo);
    EXPECT_EQ(hi, FromThousandths(12600)) << "record 1 applied, then the board file's settings";
    EXPECT_EQ(Hive().GetDword(ItemKey(2), "ItemNo"), 2u);
    // Replaced in bulk only after the user's file was kept and the user told where.
    EXPECT_NE(err.find("were kept as " + HivePath() + ".replaced-"), std::string::npos) << err;
    int kept = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.PathOf("config") + "/vornpilot")) {
        if (e.path().filename().string().rfind("registry.reg.replaced-", 0) == 0) {
            std::ifstream in(e.path());
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), before);
            ++kept;
        }
    }
    EXPECT_EQ(kept, 1);
}

TEST_F(ConfigTest, ZeroFanLimitKeepsTheUsersSettings) {
    UseTestBoard("fan_zero_limit.ini");
    bool ok = false;
    auto first = Start(&ok);
    ASSERT_TRUE(ok) << "a 0 rpm fan limit is no failure";
    CSensorItem* fan = first->FindItem(1);
    EXPECT_TRUE(fan->IsEnabled());
    EXPECT_TRUE(fan->IsBeepEnabled());
    uint8_t count = 0;
    CW83627EHF chip{io};
    ASSERT_EQ(chip.ReadFanLimitCount(0x53, &count), 1);
    EXPECT_EQ(count, 255) << "the slowest count: no fan alarm";
    first->FindItem(2)->SetShutdownEnabled(false);
    fan->SetBeepFlag(false);
    ASSERT_TRUE(first->SaveRegistryConfig());
    first.reset();

    auto second = Start(&ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(second->SettingsSource(), CMonitorEngine::ESettingsSource::Registry);
    EXPECT_FALSE(second->FindItem(2)->IsShutdownEnabled());
    EXPECT_FALSE(second->FindItem(1)->IsBeepEnabled());
    EXPECT_EQ(Hive().GetDword(ItemKey(2), "ShutDownEnable"), 0u) << "the saved choice stays";
}

TEST_F(ConfigTest, ChipRefusingTheSavedSettingsKeepsThemSaved) {
    UseSimBoardFile();
    Start().reset();
    CRegistryHive hive = Hive();
    hive.SetDword(ItemKey(11), "ShutDownEnable", 0);
    hive.SetDword(ItemKey(14), "TargetTemp", 130);  // the chip takes 0..127
    ASSERT_TRUE(hive.Save(HivePath()));

    bool ok = true;
    auto engine = Start(&ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(engine->SettingsSource(), CMonitorEngine::ESettingsSource::BoardFile);
    EXPECT_TRUE(engine->FindItem(11)->IsShutdownEnabled()) << "the board file's settings apply";
    EXPECT_EQ(Hive().GetDword(ItemKey(11), "ShutDownEnable"), 0u) << "and the saved ones stay";
    EXPECT_EQ(Hive().GetDword(ItemKey(14), "TargetTemp"), 130u);
}

TEST_F(ConfigTest, SecondProcessorItemsAreSilencedOnOneProcessor) {
    UseTestBoard("second_cpu.ini");
    machine.processors = 1;
    // The BIOS left the beep bit of the AUXTEMPERATURE input set (b[1] bit 5).
    CW83627EHF chip{io};
    uint8_t b[4] = {};
    ASSERT_EQ(chip.ReadBeepMasks(b), 1);
    b[1] |= 0x20;
    ASSERT_EQ(chip.WriteBeepMasks(b), 1);
    double hiBefore = 0, loBefore = 0;
    ASSERT_EQ(chip.ReadTemperatureLimits(0x50, &hiBefore, &loBefore, 2), 1);

    bool ok = false;
    auto engine = Start(&ok);
    ASSERT_TRUE(ok);
    EXPECT_FALSE(engine->IsMultiProcessor());
    CSensorItem* temp = engine->FindItem(2);
    EXPECT_FALSE(temp->IsEnabled());
    EXPECT_FALSE(temp->IsBeepEnabled());
    EXPECT_TRUE(temp->IsShutdownEnabled()) << "only beep and enable are silenced";
    ASSERT_EQ(chip.ReadBeepMasks(b), 1);
    EXPECT_EQ(b[1] & 0x20, 0);
    double hi = 0, lo = 0;
    ASSERT_EQ(chip.ReadTemperatureLimits(0x50, &hi, &lo, 2), 1);
    EXPECT_EQ(hi, hiBefore) << "no limits written for a silenced item";

    CSensorItem* fan = engine->FindItem(3);
    EXPECT_FALSE(fan->GetSmartFanSupport());
    EXPECT_FALSE(fan->GetSmartFanEnable());
    uint8_t mode = 9;
    ASSERT_EQ(chip.ReadFanMode(0x3F, &mode), 1);
    EXPECT_EQ(mode, 0) << "manual at full duty";
    EXPECT_TRUE(engine->FindItem(1)->IsEnabled());
}

TEST_F(ConfigTest, SecondProcessorItemsStayOnTwoProcessors) {
    UseTestBoard("second_cpu.ini");
    machine.processors = 2;
    auto engine = Start();
    EXPECT_TRUE(engine->IsMultiProcessor());
    EXPECT_TRUE(engine->FindItem(2)->IsEnabled());
    EXPECT_TRUE(engine->FindItem(2)->IsBeepEnabled());
    EXPECT_TRUE(engine->FindItem(3)->GetSmartFanEnable());
    CW83627EHF chip{io};
    uint8_t target = 0;
    ASSERT_EQ(chip.ReadFanTarget(0x3F, &target), 1);
    EXPECT_EQ(target, 45);
}

TEST_F(ConfigTest, UsersFanPilotChoiceSurvivesARestart) {
    UseSimBoardFile();
    auto first = Start();
    CSensorItem* sysFan = first->FindItem(15);
    ASSERT_FALSE(sysFan->GetSmartFanEnable());
    ASSERT_TRUE(sysFan->SetSmartFan(true));
    ASSERT_TRUE(sysFan->SetTargetTemp(40));
    CSensorItem* cpuFan = first->FindItem(14);
    ASSERT_TRUE(cpuFan->SetSmartFan(false));
    ASSERT_TRUE(first->SaveRegistryConfig());
    first->RestoreFanControl();
    first.reset();

    auto second = Start();
    EXPECT_TRUE(second->FindItem(15)->GetSmartFanEnable());
    EXPECT_EQ(second->FindItem(15)->GetTargetTemp(), 40);
    EXPECT_FALSE(second->FindItem(14)->GetSmartFanEnable());
    CW83627EHF chip{io};
    uint8_t mode = 0;
    ASSERT_EQ(chip.ReadFanMode(0x28, &mode), 1);
    EXPECT_EQ(mode, 1);
    ASSERT_EQ(chip.ReadFanMode(0x29, &mode), 1);
    EXPECT_EQ(mode, 0);
    EXPECT_FALSE(second->FindItem(16)->GetSmartFanEnable()) << "fans nobody switched stay";
}

TEST_F(ConfigTest, SaveWritesTheFileOnce) {
    UseSimBoardFile();
    auto engine = Start();
    struct stat before {};
    ASSERT_EQ(::stat(HivePath().c_str(), &before), 0);
    ASSERT_TRUE(engine->SaveRegistryConfig());
    struct stat after {};
    ASSERT_EQ(::stat(HivePath().c_str(), &after), 0);
    // Each write replaces the file by renaming a new one over it: one save, one new inode, and
    // no temporary file left behind.
    EXPECT_NE(before.st_ino, after.st_ino);
    size_t files = 0;
    for ([[maybe_unused]] const auto& e :
         std::filesystem::directory_iterator(dir.PathOf("config") + "/vornpilot"))
        ++files;
    EXPECT_EQ(files, 1u);
}

TEST_F(ConfigTest, GlobalBeepFollowsTheChip) {
    UseTestBoard("two_rails.ini");
    auto engine = Start();
    ASSERT_TRUE(engine->GetGlobalBeepEnable());
    EXPECT_TRUE(engine->SetGlobalBeepEnable(false));
    EXPECT_FALSE(engine->GetGlobalBeepEnable());
    io.FailPort(CHIP_DATA_PORT, PortAccess::Out);
    EXPECT_FALSE(engine->SetGlobalBeepEnable(true));
    EXPECT_FALSE(engine->GetGlobalBeepEnable());
    io.ClearFailures();
}

}  // namespace
