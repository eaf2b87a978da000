// The monitor session on the in-process simulated board with a fake clock: the start-up order,
// the pass and its snapshot, the power-off countdown, stale readings, a hung service, a chip
// that cannot be reached at start, and the ending.

#include "monitor_session.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>

#include "engine_fixture.h"
#include "page_fakes.h"
#include "registry_store.h"
#include "snapshot_text.h"
#include "status_page.h"

namespace {

constexpr int64_t MS = 1'000'000;

// The driver service as the guard meets it: healthy, or hung (every access fails after the
// library's 300 ms time-out, on the fake clock). A hook sees every access.
class CServicePortIo : public IPortIo {
  public:
    CServicePortIo(IPortIo& inner, CFakeMachine& machine) : m_inner(inner), m_machine(machine) {}
    int InPortB(uint16_t port, uint8_t* value) override {
        return Access([&] { return m_inner.InPortB(port, value); });
    }
    int OutPortB(uint16_t port, uint8_t value) override {
        return Access([&] { return m_inner.OutPortB(port, value); });
    }

    bool hung = false;
    bool busy = false;  // refuses at once, as a service with no room left for this client
    int attempts = 0;
    std::function<void()> onAccess;

  private:
    int Access(const std::function<int()>& access) {
        ++attempts;
        if (onAccess)
            onAccess();
        if (hung) {
            m_machine.now += 300 * MS;
            return 0;
        }
        if (busy) {
            errno = EBUSY;
            return 0;
        }
        m_machine.now += MS / 100;  // 10 us a round trip
        return access();
    }
    IPortIo& m_inner;
    CFakeMachine& m_machine;
};

class SessionTest : public EngineFixture {
  protected:
    void SetUp() override {
        EngineFixture::SetUp();
        UseSimBoardFile();
    }
    CMonitorSession& Session() {
        if (!session) {
            session = std::make_unique<CMonitorSession>(machine, guard, [this] { return wallMs; });
            // As the window does: a new table loads the skin from its report, then the page.
            session->Subscribe([this](const SPassSnapshot& pass) {
                if (pass.itemsNew) {
                    timeline.push_back("skin");
                    reports.push_back(SensorReport(pass, "/opt/vornpilot/"));
                }
                page.Show(pass);
            });
        }
        return *session;
    }
    void Start() {
        Session().StartEngine();
        session->FirstPass();
    }
    // The next tick: two seconds on, then one pass.
    std::shared_ptr<const SPassSnapshot> Tick() {
        machine.AdvanceSeconds(2);
        wallMs += 2000;
        session->RunPass();
        return session->Snapshot();
    }
    static const SItemSnapshot& Item(const SPassSnapshot& s, int itemNo) {
        for (const SItemSnapshot& i : s.items) {
            if (i.itemNo == itemNo)
                return i;
        }
        ADD_FAILURE() << "no item " << itemNo;
        return s.items.front();
    }

    std::vector<std::string> timeline;
    std::vector<std::string> reports;
    CRecordingFace face;
    CRecordingTray tray;
    CRecordingLog log;
    CStatusPage page{face, tray, log};
    CServicePortIo service{io, machine};
    CPortGuard guard{service, [this] { return machine.now; }};
    int64_t wallMs = 1'765'000'000'000;
    std::unique_ptr<CMonitorSession> session;
};

TEST_F(SessionTest, StartUpRunsInTheWindowsOrder) {
    CRegistryStore store;
    store.SetRoot(HKEY_CURRENT_USER);
    ASSERT_TRUE(store.SetString("SOFTWARE\\VORN\\HWM", "UNIT", "F"));
    Sim("set SYSTEMPERATURE 70");

    Session().StartEngine();
    EXPECT_EQ(session->Commands().ItemSettings().size(), 18u) << "the engine starts first";
    EXPECT_EQ(session->Snapshot(), nullptr);
    const int engineAccesses = service.attempts;
    service.onAccess = [&] {
        if (timeline.empty() || timeline.back() != "access")
            timeline.push_back("access");
    };
    session->FirstPass();
    if (!face.calls.empty())
        timeline.push_back("update");
    EXPECT_EQ(timeline, (std::vector<std::string>{"access", "skin", "update"}))
        << "the first pass, the report and skin, then the page's first update";
    EXPECT_GT(service.attempts, engineAccesses);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("<NAME>System</NAME><VALUE> 70 C</VALUE>"), std::string::npos)
        << "the report holds the first pass's readings, in Celsius";
    EXPECT_EQ(face.elements["System_Temp_Value"], "<font color='#ff0000'> 70 &#176;C</font>");

    auto first = session->Snapshot();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->pass, 1u);
    EXPECT_EQ(first->unixTimeMs, wallMs);
    EXPECT_TRUE(first->chipAnswered);
    EXPECT_TRUE(first->statusRead);
    EXPECT_TRUE(first->celsius) << "\"UNIT\" is read after the first update";
    EXPECT_EQ(first->StaleCount(), 0u);
    EXPECT_EQ(first->items.size(), 18u);
    const SItemSnapshot& system = Item(*first, 13);
    EXPECT_EQ(system.name, "System");
    EXPECT_EQ(system.pin, "SYSTEMPERATURE");
    EXPECT_EQ(system.unit,
              "\xC2\xB0"
              "C");
    EXPECT_EQ(system.value, 70);
    EXPECT_TRUE(system.alarm);
    EXPECT_EQ(system.lastReadUnixMs, wallMs);
    EXPECT_EQ(WarningLines(*first), (std::vector<std::string>{"Temperature:",
                                                              "System: 70 \xC2\xB0"
                                                              "C"}));
    EXPECT_EQ(BannerText(*first), "WARNING");

    auto second = Tick();
    EXPECT_EQ(second->pass, 2u);
    EXPECT_FALSE(second->celsius);
    EXPECT_EQ(ItemTexts(Item(*second, 13), second->celsius).value,
              "158 \xC2\xB0"
              "F");
    EXPECT_EQ(face.elements["System_Temp_Value"], "<font color='#ff0000'>158 &#176;F</font>");
    EXPECT_EQ(Item(*first, 13).value, 70) << "a published snapshot never changes";
}

TEST_F(SessionTest, SnapshotCarriesThePowerOffCountdown) {
    Sim("set CPUTEMPERATURE 85");
    Start();
    EXPECT_EQ(Item(*session->Snapshot(), 11).powerOffIn, 20);
    EXPECT_EQ(face.elements["PowerOffText"], "Power off in 20 s");
    for (int pass = 2; pass <= 10; ++pass) {
        EXPECT_EQ(Item(*Tick(), 11).powerOffIn, 22 - 2 * pass) << pass;
        EXPECT_EQ(face.elements["PowerOffText"],
                  "Power off in " + std::to_string(22 - 2 * pass) + " s");
    }
    EXPECT_EQ(machine.powerOff.requests, 0);
    auto due = Tick();
    EXPECT_EQ(Item(*due, 11).powerOffIn, 0);
    EXPECT_EQ(machine.powerOff.requests, 1);
    EXPECT_EQ(Item(*due, 12).powerOffIn, -1) << "no countdown without shutdown";
    Sim("set CPUTEMPERATURE 40");
    EXPECT_EQ(Item(*Tick(), 11).powerOffIn, -1);
    EXPECT_EQ(face.elements["PowerOffText"], "") << "cleared with the alarm";
}

TEST_F(SessionTest, SnapshotTakenDuringAPassIsThePreviousOne) {
    Start();
    std::vector<uint64_t> seen;
    service.onAccess = [&] { seen.push_back(session->Snapshot()->pass); };
    Tick();
    service.onAccess = nullptr;
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 1u);
    EXPECT_EQ(seen.back(), 1u);
    EXPECT_EQ(session->Snapshot()->pass, 2u);
}

TEST_F(SessionTest, UnreadValuesAreStaleNeverShownAsReadings) {
    Sim("set CPUTEMPERATURE 50");
    Start();
    const int64_t firstRead = wallMs;
    Sim("fault port 0x296 read");
    auto blind = Tick();
    EXPECT_FALSE(blind->chipAnswered);
    EXPECT_FALSE(blind->statusRead);
    EXPECT_EQ(BannerText(*blind), "NO READINGS");
    const SItemSnapshot& cpu = Item(*blind, 11);
    EXPECT_TRUE(cpu.stale);
    EXPECT_EQ(cpu.value, 50) << "the last value read stays, marked stale";
    EXPECT_EQ(cpu.lastReadUnixMs, firstRead);
    EXPECT_EQ(blind->StaleCount(), 18u) << "every item";
    EXPECT_EQ(blind->counts.passesWithoutChip, 1u);
    EXPECT_EQ(blind->counts.statusReadFailures, 1u);
    EXPECT_EQ(blind->counts.itemReadFailures, 18u);
    ASSERT_FALSE(ProblemLines(*blind).empty());
    EXPECT_NE(ProblemLines(*blind).back().find("did not answer"), std::string::npos);
    // The page says the same, never "Normal" over a value it did not read.
    const std::string status = PageElementId(cpu.name, ITEM_TEMPERATURE, "Status");
    EXPECT_EQ(face.elements["WarningText"], "NO READINGS");
    EXPECT_EQ(face.elements[status], "Stale");
    for (const auto& [id, html] : face.elements)
        EXPECT_NE(html, "Normal") << id;

    Sim("fault off");
    Sim("set CPUTEMPERATURE 52");
    auto back = Tick();
    EXPECT_TRUE(back->chipAnswered);
    EXPECT_EQ(back->StaleCount(), 0u);
    EXPECT_EQ(Item(*back, 11).value, 52);
    EXPECT_EQ(BannerText(*back), "NORMAL");
    EXPECT_EQ(face.elements["WarningText"], "NORMAL");
    EXPECT_EQ(face.elements[status], "Normal");
    EXPECT_TRUE(ProblemLines(*back).empty()) << ::testing::PrintToString(ProblemLines(*back));
    EXPECT_EQ(back->counts.passes, 3u);
    EXPECT_EQ(back->counts.passesWithoutChip, 1u);
}

// The second-processor rule is the engine's: showing a pass and building the report write
// nothing to the chip.
TEST_F(SessionTest, MissingProcessorItemsAreSilencedByThePassAndShowingWritesNothing) {
    EditBoard("ITEM11", "CpuNo", "2");
    machine.processors = 1;
    Start();
    const SItemSnapshot& cpu = Item(*session->Snapshot(), 11);
    EXPECT_FALSE(cpu.enabled);
    EXPECT_FALSE(cpu.available);
    EXPECT_EQ(face.elements[PageElementId(cpu.name, ITEM_TEMPERATURE, "Status")], "N/A");
    io.ClearLog();
    const auto pass = session->Snapshot();
    ASSERT_NE(SensorReport(*pass, "/").find("<VALUE>N/A</VALUE>"), std::string::npos);
    page.Show(*pass);
    EXPECT_TRUE(io.Log().empty()) << "a face reached the chip";
}

TEST_F(SessionTest, HungServiceCostsOneWaitAPassAndTheSessionRecovers) {
    Start();
    service.hung = true;
    const int before = service.attempts;
    auto hung = Tick();
    EXPECT_EQ(service.attempts - before, 1) << "one wait, then every access fails at once";
    EXPECT_LT(hung->durationNs, 400 * MS);
    EXPECT_FALSE(hung->chipAnswered);
    EXPECT_EQ(Tick()->counts.passesWithoutChip, 2u);

    service.hung = false;
    auto back = Tick();
    EXPECT_TRUE(back->chipAnswered) << "the pass after the service returns reads again";
    EXPECT_EQ(back->StaleCount(), 0u);

    // Ending against a hung service: one wait for the fans, nothing more.
    service.hung = true;
    const int atEnd = service.attempts;
    session->End();
    EXPECT_EQ(service.attempts - atEnd, 1);
    EXPECT_TRUE(session->Commands().ItemSettings().empty());
    EXPECT_EQ(machine.notifier.messages, std::vector<std::string>{"VORNPILOT: Can't restore SMI!"});
}

TEST_F(SessionTest, ChipUnreachableAtStartIsSaidAndRetriedEveryPass) {
    service.hung = true;
    Start();
    auto none = session->Snapshot();
    EXPECT_EQ(none->startProblem, EStartProblem::ChipUnreachable);
    EXPECT_TRUE(none->items.empty());
    EXPECT_FALSE(none->chipAnswered);
    EXPECT_FALSE(none->globalBeep.has_value()) << "never set, so not known";
    ASSERT_EQ(ProblemLines(*none).size(), 1u);
    EXPECT_NE(ProblemLines(*none)[0].find("The chip does not answer"), std::string::npos);
    EXPECT_EQ(ProblemLines(*none)[0].find("board file"), std::string::npos);
    EXPECT_EQ(Tick()->counts.engineStarts, 2u);

    service.hung = false;
    Sim("set CPUFAN0 stall");
    auto up = Tick();
    EXPECT_EQ(up->startProblem, EStartProblem::None);
    EXPECT_EQ(up->counts.engineStarts, 3u);
    EXPECT_EQ(up->items.size(), 18u);
    EXPECT_EQ(up->globalBeep, true);
    EXPECT_TRUE(up->chipAnswered);
    EXPECT_EQ(up->StaleCount(), 0u);
    EXPECT_TRUE(Item(*up, 14).alarm);
    ASSERT_EQ(reports.size(), 2u) << "the skin is loaded again for the new items";
    EXPECT_NE(reports.back().find("<NAME>CPU Fan</NAME>"), std::string::npos);
    EXPECT_EQ(face.elements["CPU Fan_Fan_Status"], "<font color='#ff0000'>Warning</font>");
}

// A full service once read as a missing board file; now it is named for what it is.
TEST_F(SessionTest, BusyServiceIsSaidAndTheSessionStartsOnceThereIsRoom) {
    service.busy = true;
    Start();
    auto atStart = session->Snapshot();
    EXPECT_EQ(atStart->startProblem, EStartProblem::ChipUnreachable);
    EXPECT_TRUE(atStart->serviceBusy);
    ASSERT_EQ(ProblemLines(*atStart).size(), 1u);
    EXPECT_EQ(ProblemLines(*atStart)[0].find("The driver service vorn-iod is busy"), 0u);

    service.busy = false;
    auto up = Tick();
    EXPECT_EQ(up->startProblem, EStartProblem::None);
    EXPECT_FALSE(up->serviceBusy);

    service.busy = true;
    auto full = Tick();
    EXPECT_FALSE(full->chipAnswered);
    EXPECT_TRUE(full->serviceBusy);
    ASSERT_FALSE(ProblemLines(*full).empty());
    EXPECT_NE(ProblemLines(*full).back().find("busy"), std::string::npos);
}

// No board file and no hwmon sensor: nothing to monitor is said in every face, the chip is never
// touched, and the page does not say NORMAL.
TEST_F(SessionTest, NoBoardFileAndNoHwmonSensorsIsSaid) {
    machine.facts["MBModel"] = "NO-SUCH-BOARD";
    Start();
    Tick();
    auto s = session->Snapshot();
    EXPECT_EQ(s->startProblem, EStartProblem::NoSensors);
    EXPECT_TRUE(s->items.empty());
    EXPECT_EQ(service.attempts, 0) << "the chip is not needed";
    EXPECT_EQ(BannerText(*s), "NO SENSORS");
    EXPECT_EQ(face.elements["WarningText"], "NO SENSORS");
    ASSERT_EQ(ProblemLines(*s).size(), 1u) << ::testing::PrintToString(ProblemLines(*s));
    EXPECT_EQ(ProblemLines(*s)[0], "No sensors found: there is no board file " + programDir +
                                       "NO-SUCH-BOARD.ini for this board, and the kernel shows "
                                       "no voltage, temperature or fan sensor under " +
                                       sysfsRoot + "/class/hwmon.");
}

// A board file with mistakes is read with the same rules as ever, but every mistake is said
// with the file, section and key; an item that cannot be read is never shown as normal, and an
// empty table is never "NORMAL".
TEST_F(SessionTest, BoardFileMistakesAreNamedAndUnreadItemsAreNotNormal) {
    struct Case {
        const char* name;
        std::vector<std::array<const char*, 3>> edits;  // section, key, value
        std::string said;                               // after "<file>: "
        std::string banner;
        std::string item2Status;  // "" when item 2 is not in the table
    };
    const Case cases[] = {
        {"fraction",
         {{"ITEM1", "HiLimit", "1.55"}},
         "[ITEM1] HiLimit: \"1.55\" is not a whole number; read as 1",
         "",
         "Normal"},
        {"exponent",
         {{"ITEM2", "Factor", "1e30"}},
         "[ITEM2] Factor: \"1e30\" is not a whole number; read as 1",
         "",
         ""},
        {"letters as the count",
         {{"GLOBAL", "Total_Item_Count", "abc"}},
         "[GLOBAL] Total_Item_Count: 0: there are no items",
         "NO ITEMS",
         ""},
        {"missing section",
         {{"GLOBAL", "Total_Item_Count", "3"}},
         "[ITEM3]: the section is missing",
         "",
         ""},
        {"unknown item type",
         {{"ITEM2", "ItemType", "7"}},
         "[ITEM2] ItemType: 7 is not 1 (voltage), 2 (temperature) or 3 (fan); the item is not "
         "read",
         "",
         "Not read"},
        {"fan typed as a voltage",
         {{"ITEM2", "PinName", "CPUFAN0"}},
         "[ITEM2] PinName: CPUFAN0 is a fan input, not of the item's type; the item is not read",
         "",
         "Not read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        session.reset();
        std::filesystem::remove(HivePath());
        // The engine tests' board of two rails.
        UseBoardFile(std::filesystem::path(VORN_TEST_DATA_DIR).parent_path().parent_path() /
                         "engine/data/two_rails.ini",
                     "TEST");
        for (const auto& e : c.edits)
            EditBoard(e[0], e[1], e[2]);
        Start();
        auto pass = Tick();
        const std::vector<std::string> lines = ProblemLines(*pass);
        const std::string wanted = "Board file " + BoardPath() + ": " + c.said;
        EXPECT_NE(std::find(lines.begin(), lines.end(), wanted), lines.end())
            << wanted << "\n in:\n"
            << testing::PrintToString(lines);
        if (!c.banner.empty()) {
            EXPECT_EQ(BannerText(*pass), c.banner);
        }
        if (pass->items.empty()) {
            EXPECT_NE(BannerText(*pass), "NORMAL");
        }
        if (!c.item2Status.empty()) {
            ASSERT_GE(pass->items.size(), 2u);
            EXPECT_EQ(ItemTexts(pass->items[1], true).status, c.item2Status);
        }
    }
}

// What was said of the settings file on standard error is in every later pass too, for a front
// end without a terminal.
TEST_F(SessionTest, SettingsNoticesReachThePass) {
    std::filesystem::create_directories(std::filesystem::path(HivePath()).parent_path());
    std::ofstream(HivePath()) << "this is not a hive\n";
    testing::internal::CaptureStderr();
    Start();
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string said = "The settings file " + HivePath() + " is damaged";
    for (int pass = 0; pass < 2; ++pass) {
        const std::vector<std::string> lines = ProblemLines(*Tick());
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& l) {
                                    return l.rfind(said, 0) == 0 && l.back() == '.';
                                }),
                  1)
            << testing::PrintToString(lines);
    }
    EXPECT_NE(err.find("vornpilot: the settings file " + HivePath() + " is damaged"),
              std::string::npos)
        << err;
}

TEST_F(SessionTest, EndGivesTheFansTheirControlBackThenTheSmiMasks) {
    CW83627EHF chip{guard};
    uint8_t before = 0;
    ASSERT_EQ(chip.ReadFanMode(0x29, &before), 1);
    Start();
    std::optional<SItemSettings> fan = session->Commands().ItemSettingsOf(14);
    ASSERT_TRUE(fan);
    ASSERT_TRUE(session->Commands().SetFanPilot(
        14, {before != 1, fan->targetTemp, fan->toleranceTemp, fan->startCtrl, fan->stopCtrl}));
    io.ClearLog();
    session->End();
    const std::vector<std::string> log = io.RegisterLog();
    uint8_t after = 9;
    ASSERT_EQ(chip.ReadFanMode(0x29, &after), 1);
    EXPECT_EQ(after, before);
    // The fans first, then the SMI masks (0x43, 0x44, 0x46 and 0x51 of bank 4), nothing after.
    const auto smi = std::find_if(log.begin(), log.end(),
                                  [](const std::string& e) { return e.rfind("W 43=", 0) == 0; });
    ASSERT_NE(smi, log.end());
    EXPECT_TRUE(std::any_of(log.begin(), smi, [](const std::string& e) { return e[0] == 'W'; }));
    for (auto e = smi; e != log.end(); ++e) {
        const std::string reg = e->substr(2, 2);
        EXPECT_TRUE(reg == "43" || reg == "44" || reg == "46" || reg == "51" || reg == "4E") << *e;
    }
    EXPECT_TRUE(session->Commands().ItemSettings().empty());
}

}  // namespace
