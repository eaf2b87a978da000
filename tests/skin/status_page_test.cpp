#include "status_page.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "page_fakes.h"
#include "user_settings.h"
#include "xml_document.h"

namespace {

using Strings = std::vector<std::string>;

const std::string RED = "<font color='#ff0000'>";
const std::string WARNING = "<font color='#ff0000'>Warning</font>";
const std::string HR = "<HR width=\"105px\"></HR>";
const std::string BRIGHT =
    "<font color='ffffff' style=\"background-color:#ff0000;\">WARNING</font>";
const std::string DARK = "<font color='ff0000'>WARNING</font>";

class StatusPage : public ::testing::Test {
  protected:
    // Adds an item to the pass's table (in table order); read in this pass, enabled, normal
    // unless `alarm`. The reference holds until the next Add.
    SItemSnapshot& Add(std::string name, int32_t type, double value, double hi, double lo,
                       bool alarm = false) {
        SItemSnapshot& item = m_pass.items.emplace_back();
        item.itemNo = static_cast<int32_t>(m_pass.items.size());
        item.name = std::move(name);
        item.type = type;
        item.value = value;
        item.hiLimit = hi;
        item.loLimit = lo;
        item.alarm = alarm;
        item.enabled = true;
        item.lastReadUnixMs = 1'765'000'000'000;
        return item;
    }
    CStatusPage& Page() { return m_page; }
    void Update() { m_page.Show(m_pass); }
    std::string Report() const { return SensorReport(m_pass, "/opt/vornpilot/"); }

    SPassSnapshot m_pass = [] {
        SPassSnapshot p;
        p.chipAnswered = true;
        p.statusRead = true;
        return p;
    }();
    CRecordingFace m_face;
    CRecordingTray m_tray;
    CRecordingLog m_log;
    CStatusPage m_page{m_face, m_tray, m_log};
};

TEST_F(StatusPage, CpuInAlarmAt75Celsius) {
    Add("CPU", ITEM_TEMPERATURE, 75.0, 80.0, 75.0, true);
    Update();
    EXPECT_EQ(m_face.calls, (Strings{"CPU_Temp_Limit= 80 &#176;C",
                                     "CPU_Temp_Value=<font color='#ff0000'> 75 &#176;C</font>",
                                     "CPU_Temp_Status=<font color='#ff0000'>Warning</font>",
                                     "WarningItems=<font color='#ff0000'>Temperature:  " + HR +
                                         "CPU:  75 C<BR><BR></font>",
                                     "!TEMPWARNEVENT", "!VOLTNORMALEVENT", "!FANNORMALEVENT",
                                     "WarningText=" + BRIGHT, "PowerOffText="}));
    EXPECT_EQ(m_tray.calls, (Strings{"Animate(500,4294967295)"}));
    EXPECT_EQ(m_log.texts, (Strings{"Temperature:    CPU:  75 C    "}));
    EXPECT_EQ(m_log.nameSets, (std::vector<Strings>{{"CPU"}}));
    EXPECT_EQ(Page().CurrentWarningNames(), (Strings{"CPU"}));
}

TEST_F(StatusPage, LaterItemsOfACategoryHaveNoSpaceBeforeTheUnit) {
    Add("CPU", ITEM_TEMPERATURE, 75.0, 80.0, 75.0, true);
    Add("SYS", ITEM_TEMPERATURE, 60.0, 55.0, 50.0, true);
    Update();
    EXPECT_EQ(m_face.elements["WarningItems"],
              RED + "Temperature:  " + HR + "CPU:  75 C<BR>SYS:  60C<BR><BR></font>");
    EXPECT_EQ(m_log.texts, (Strings{"Temperature:    CPU:  75 C  SYS:  60C    "}));
    EXPECT_EQ(Page().CurrentWarningNames(), (Strings{"CPU", "SYS"}));
}

TEST_F(StatusPage, FahrenheitConvertsReadingAndLimit) {
    Add("CPU", ITEM_TEMPERATURE, 75.0, 80.0, 75.0, true);
    m_pass.celsius = false;
    Update();
    EXPECT_EQ(m_face.elements["CPU_Temp_Value"], RED + "167 &#176;F</font>");
    EXPECT_EQ(m_face.elements["CPU_Temp_Limit"], "176 &#176;F");
    EXPECT_EQ(m_face.elements["WarningItems"],
              RED + "Temperature:  " + HR + "CPU: 167 F<BR><BR></font>");
}

struct TemperatureCase {
    double celsius;
    bool inCelsius;
    const char* value;
};

class TemperatureText : public StatusPage, public ::testing::WithParamInterface<TemperatureCase> {};

TEST_P(TemperatureText, RoundsHalvesAwayFromZeroInSinglePrecision) {
    Add("T", ITEM_TEMPERATURE, GetParam().celsius, 100.0, 90.0);
    m_pass.celsius = GetParam().inCelsius;
    Update();
    EXPECT_EQ(m_face.elements["T_Temp_Value"], GetParam().value);
    EXPECT_EQ(m_face.elements["T_Temp_Status"], "Normal");
}

INSTANTIATE_TEST_SUITE_P(
    Readings, TemperatureText,
    ::testing::Values(TemperatureCase{44.5, true, " 45 &#176;C"},
                      TemperatureCase{44.4, true, " 44 &#176;C"},
                      TemperatureCase{-0.5, true, " -1 &#176;C"},
                      TemperatureCase{0.0, true, "  0 &#176;C"},
                      TemperatureCase{127.0, true, "127 &#176;C"},
                      TemperatureCase{2.5, false, " 37 &#176;F"},  // 36.5 F
                      TemperatureCase{-40.0, false, "-40 &#176;F"},
                      // 104.49999999 F in double, 104.5 once narrowed to float.
                      TemperatureCase{40.2777777722, false, "105 &#176;F"}));

TEST_F(StatusPage, NormalVoltageRow) {
    Add("VCC3", ITEM_VOLTAGE, 3.312, 3.472, 3.136);
    Update();
    EXPECT_EQ(Strings(m_face.calls.begin(), m_face.calls.begin() + 3),
              (Strings{"VCC3_Volt_Value=3.31 V", "VCC3_Volt_Status=Normal",
                       "VCC3_Volt_Limit=3.14V ~ 3.47V"}));
}

TEST_F(StatusPage, FanInAlarmAtZeroRpm) {
    Add("CPUFAN", ITEM_FAN, 0.0, 0.0, 1500.0, true);
    Update();
    EXPECT_EQ(m_face.calls,
              (Strings{"CPUFAN_Fan_Value=" + RED + "    0 RPM</font>",
                       "CPUFAN_Fan_Status=" + WARNING, "CPUFAN_Fan_Limit= 1500 RPM",
                       "WarningItems=" + RED + "Fan:  " + HR + "CPUFAN:     0 RPM</font>",
                       "!TEMPNORMALEVENT", "!VOLTNORMALEVENT", "!FANWARNEVENT",
                       "WarningText=" + BRIGHT, "PowerOffText="}));
    EXPECT_EQ(m_log.texts, (Strings{"Fan:    CPUFAN:     0 RPM"}));
}

TEST_F(StatusPage, WarningListJoinsCategoriesInPageOrder) {
    Add("FAN1", ITEM_FAN, 700.0, 0.0, 1000.0, true);
    Add("VCORE", ITEM_VOLTAGE, 1.9, 1.6, 1.2, true);
    Add("CPU", ITEM_TEMPERATURE, 75.0, 80.0, 75.0, true);
    Add("V12", ITEM_VOLTAGE, 10.5, 12.6, 11.4, true);
    Add("FAN2", ITEM_FAN, 2000.0, 0.0, 1000.0);
    Add("FAN3", ITEM_FAN, 650.0, 0.0, 1000.0, true);
    Update();
    const std::string list = "Temperature:  " + HR + "CPU:  75 C<BR><BR>" + "Voltage:  " + HR +
                             "VCORE: 1.90 V<BR>V12: 10.50 V<BR><BR>" + "Fan:  " + HR +
                             "FAN1:   700 RPM<BR>FAN3:   650 RPM";
    EXPECT_EQ(m_face.elements["WarningItems"], RED + list + "</font>");
    EXPECT_EQ(m_face.events, (Strings{"TEMPWARNEVENT", "VOLTWARNEVENT", "FANWARNEVENT"}));
    EXPECT_EQ(m_log.texts, (Strings{"Temperature:    CPU:  75 C    Voltage:    VCORE: 1.90 V  "
                                    "V12: 10.50 V    Fan:    FAN1:   700 RPM  FAN3:   650 RPM"}));
    EXPECT_EQ(Page().CurrentWarningNames(), (Strings{"CPU", "VCORE", "V12", "FAN1", "FAN3"}));
}

struct DisabledCase {
    int32_t type;
    const char* idPart;
};

class DisabledItem : public StatusPage, public ::testing::WithParamInterface<DisabledCase> {};

TEST_P(DisabledItem, ShowsDisableAndReportsNotAvailable) {
    Add("X", GetParam().type, 1.0, 2.0, 0.5, true).enabled = false;
    Update();
    const std::string id = std::string("X_") + GetParam().idPart;
    EXPECT_EQ(Strings(m_face.calls.begin(), m_face.calls.begin() + 3),
              (Strings{id + "_Value=Disable", id + "_Status=Disable", id + "_Limit=Disable"}));
    // The chip's alarm flag of a disabled item does not make a warning.
    EXPECT_EQ(m_face.elements["WarningItems"], "");
    EXPECT_EQ(m_face.events, (Strings{"NORMALEVENT"}));
    CXmlDocument report;
    ASSERT_TRUE(report.LoadXml(Report()));
    std::string xml;
    ASSERT_TRUE(report.GetXml(xml));
    EXPECT_NE(xml.find("<ITEM><NAME>X</NAME><VALUE>N/A</VALUE><LIMIT>N/A</LIMIT></ITEM>"),
              std::string::npos)
        << xml;
}

INSTANTIATE_TEST_SUITE_P(Types, DisabledItem,
                         ::testing::Values(DisabledCase{ITEM_TEMPERATURE, "Temp"},
                                           DisabledCase{ITEM_VOLTAGE, "Volt"},
                                           DisabledCase{ITEM_FAN, "Fan"}));

TEST_F(StatusPage, NoWarningAtAll) {
    Add("CPU", ITEM_TEMPERATURE, 40.0, 80.0, 75.0);
    Add("VCORE", ITEM_VOLTAGE, 1.4, 1.6, 1.2);
    Update();
    EXPECT_EQ(m_face.Writes("WarningItems"), (Strings{""}));
    EXPECT_EQ(m_face.events, (Strings{"NORMALEVENT"}));
    EXPECT_EQ(m_face.Writes("WarningText"), (Strings{"NORMAL"}));
    EXPECT_EQ(m_tray.calls, (Strings{"StopAnimation", "SetIcon(normal)"}));
    // The error log gets the empty list too: that is how it learns the warnings cleared.
    EXPECT_EQ(m_log.texts, (Strings{""}));
    EXPECT_EQ(m_log.nameSets, (std::vector<Strings>{{}}));
}

TEST_F(StatusPage, NothingGoesToTheErrorLogWhileItIsOff) {
    Add("CPU", ITEM_TEMPERATURE, 75.0, 80.0, 75.0, true);
    m_log.on = false;
    Update();
    EXPECT_TRUE(m_log.texts.empty());
}

TEST_F(StatusPage, BannerAlternatesWhileAWarningStandsAndKeepsItsPhase) {
    SItemSnapshot& cpu = Add("CPU", ITEM_TEMPERATURE, 75.0, 80.0, 75.0, true);
    Update();
    Update();
    Update();
    cpu.alarm = false;
    Update();
    cpu.alarm = true;
    Update();
    EXPECT_EQ(m_face.Writes("WarningText"), (Strings{BRIGHT, DARK, BRIGHT, "NORMAL", DARK}));
    EXPECT_EQ(m_tray.calls, (Strings{"Animate(500,4294967295)", "Animate(500,4294967295)",
                                     "Animate(500,4294967295)", "StopAnimation", "SetIcon(normal)",
                                     "Animate(500,4294967295)"}));
}

TEST_F(StatusPage, ItemOfAMissingProcessorIsNotAvailable) {
    SItemSnapshot& cpu2 = Add("CPU2", ITEM_TEMPERATURE, 50.0, 80.0, 75.0, true);
    cpu2.available = false;
    cpu2.enabled = false;
    Update();
    EXPECT_EQ(Strings(m_face.calls.begin(), m_face.calls.begin() + 4),
              (Strings{"CPU2_Temp_Value=N/A", "CPU2_Temp_Limit=N/A", "CPU2_Temp_Status=N/A",
                       "WarningItems="}));
    EXPECT_NE(Report().find("<NAME>CPU2</NAME><VALUE>N/A</VALUE><LIMIT>N/A</LIMIT>"),
              std::string::npos);
}

TEST_F(StatusPage, ItemsOfOtherTypesAreShownNowhere) {
    Add("ODD", 4, 1.0, 2.0, 0.5, true);
    Update();
    EXPECT_EQ(m_face.calls,
              (Strings{"WarningItems=", "!NORMALEVENT", "WarningText=NORMAL", "PowerOffText="}));
    EXPECT_EQ(Report(),
              "<VORNPILOT><TEMP/><PATH>/opt/vornpilot/</PATH><VOLT/><FAN/></VORNPILOT>\n");
}

TEST_F(StatusPage, ReportOfASmallItemSet) {
    Add("VCORE", ITEM_VOLTAGE, 1.504, 1.6, 1.2);
    Add("CPU", ITEM_TEMPERATURE, 44.5, 80.0, 75.0, true);
    Add("CPUFAN", ITEM_FAN, 2250.0, 0.0, 1500.0);
    Add("SYS", ITEM_TEMPERATURE, 30.0, 60.0, 55.0).enabled = false;
    Add("V5", ITEM_VOLTAGE, 5.016, 5.25, 4.75);
    EXPECT_EQ(Report(),
              "<VORNPILOT>"
              "<TEMP><ITEM><NAME>CPU</NAME><VALUE> 45 C</VALUE><LIMIT> 80 C</LIMIT></ITEM>"
              "<ITEM><NAME>SYS</NAME><VALUE>N/A</VALUE><LIMIT>N/A</LIMIT></ITEM></TEMP>"
              "<PATH>/opt/vornpilot/</PATH>"
              "<VOLT><ITEM><NAME>VCORE</NAME><VALUE>1.50 V</VALUE><LIMIT>1.20V ~ 1.60V</LIMIT>"
              "</ITEM><ITEM><NAME>V5</NAME><VALUE>5.02 V</VALUE><LIMIT>4.75V ~ 5.25V</LIMIT>"
              "</ITEM></VOLT>"
              "<FAN><ITEM><NAME>CPUFAN</NAME><VALUE> 2250 RPM</VALUE><LIMIT> 1500 RPM</LIMIT>"
              "</ITEM></FAN>"
              "</VORNPILOT>\n");
    // Building the report shows nothing on the page.
    EXPECT_TRUE(m_face.calls.empty());
}

TEST_F(StatusPage, UnitAtPageLoadAndAfterTheFirstTimerPass) {
    Add("CPU", ITEM_TEMPERATURE, 75.0, 80.0, 75.0);
    // Page load: report and first update in the start unit, then "UNIT" = "F" is read.
    std::string report = Report();
    Update();
    m_pass.celsius = UnitIsCelsius("F");
    EXPECT_NE(report.find("<VALUE> 75 C</VALUE><LIMIT> 80 C</LIMIT>"), std::string::npos);
    EXPECT_EQ(m_face.Writes("CPU_Temp_Value"), (Strings{" 75 &#176;C"}));
    // The first timer pass switches the page; only a new report (another skin) follows.
    Update();
    EXPECT_EQ(m_face.Writes("CPU_Temp_Value"), (Strings{" 75 &#176;C", "167 &#176;F"}));
    EXPECT_NE(Report().find("<VALUE>167 F</VALUE><LIMIT>176 F</LIMIT>"), std::string::npos);
}

// What the page says when it could not see: never "Normal" over a value it did not read, and
// the banner the console shows.
struct BlindCase {
    const char* what;
    bool chipAnswered;
    bool stale;
    bool everRead;
    bool alarm;
    const char* value;
    const char* status;
    const char* banner;
};

class BlindPass : public StatusPage, public ::testing::WithParamInterface<BlindCase> {};

TEST_P(BlindPass, RowsAndBannerSayWhatWasNotRead) {
    const BlindCase& c = GetParam();
    SItemSnapshot& cpu = Add("CPU", ITEM_TEMPERATURE, 41.0, 80.0, 75.0, c.alarm);
    cpu.stale = c.stale;
    if (!c.everRead)
        cpu.lastReadUnixMs = 0;
    m_pass.chipAnswered = c.chipAnswered;
    m_pass.statusRead = c.chipAnswered;
    Update();
    EXPECT_EQ(m_face.elements["CPU_Temp_Value"], c.value) << c.what;
    EXPECT_EQ(m_face.elements["CPU_Temp_Status"], c.status) << c.what;
    EXPECT_EQ(m_face.elements["WarningText"], c.banner) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlindPass,
    ::testing::Values(
        BlindCase{"read", true, false, true, false, " 41 &#176;C", "Normal", "NORMAL"},
        BlindCase{"value not read", true, true, true, false, " 41 &#176;C", "Stale", "STALE"},
        BlindCase{"never read", true, true, false, false, "-", "Not read", "STALE"},
        BlindCase{"service stopped", false, true, true, false, " 41 &#176;C", "Stale",
                  "NO READINGS"},
        BlindCase{"stopped during a warning", false, true, true, true,
                  "<font color='#ff0000'> 41 &#176;C</font>", "Stale", "NO READINGS"}));

TEST_F(StatusPage, EmptyTableSaysNoItems) {
    Update();
    EXPECT_EQ(m_face.elements["WarningText"], "NO ITEMS");
}

// The report names the devices of a machine's hwmon items after the three categories; the
// chip's own pins are the chip, and a table of the chip alone has no such list.
TEST_F(StatusPage, ReportNamesTheHwmonDevicesOfItsItems) {
    const auto hwmon = [&](const char* name, const char* device, const char* id) {
        SItemSnapshot& item = Add(name, ITEM_TEMPERATURE, 40.0, 80.0, 0.0);
        item.device = device;
        item.deviceId = id;
    };
    Add("CPU", ITEM_TEMPERATURE, 40.0, 80.0, 75.0).device = "w83627ehf";
    EXPECT_EQ(Report().find("DEVICES"), std::string::npos);
    hwmon("nvme Composite", "nvme", "devices/pci0000:00/nvme0");
    hwmon("k10temp Tctl", "k10temp", "devices/pci0000:00/0000:00:18.3");
    hwmon("nvme Composite", "nvme", "devices/pci0000:00/nvme1");
    const std::string report = Report();
    EXPECT_NE(report.find("<FAN/><DEVICES><DEVICE>W83627EHF</DEVICE><DEVICE>nvme</DEVICE>"
                          "<DEVICE>k10temp</DEVICE></DEVICES></VORNPILOT>"),
              std::string::npos)
        << report;
}

// With no sensor at all the list's place says why, as markup-safe text, and the error log
// gets no warning.
TEST_F(StatusPage, NoSensorsSaysWhyWhereTheWarningsGo) {
    m_pass.startProblem = EStartProblem::NoSensors;
    m_pass.chipAnswered = false;
    m_pass.boardFile = "/opt/vornpilot/A&B.ini";
    m_pass.hwmonDir = "/sys/class/hwmon";
    Update();
    EXPECT_EQ(m_face.elements["WarningText"], "NO SENSORS");
    EXPECT_EQ(m_face.elements["WarningItems"].rfind("No sensors found: there is no board file "
                                                    "/opt/vornpilot/A&amp;B.ini for this board",
                                                    0),
              0u)
        << m_face.elements["WarningItems"];
    EXPECT_EQ(Report(),
              "<VORNPILOT><TEMP/><PATH>/opt/vornpilot/</PATH><VOLT/><FAN/><DEVICES/>"
              "</VORNPILOT>\n");
    EXPECT_EQ(m_log.texts, (Strings{""}));
}

TEST_F(StatusPage, PowerOffCountdownShowsTheNearestAndClears) {
    Add("CPU", ITEM_TEMPERATURE, 90.0, 80.0, 75.0, true).powerOffIn = 14;
    Add("SYS", ITEM_TEMPERATURE, 90.0, 80.0, 75.0, true).powerOffIn = 6;
    Update();
    EXPECT_EQ(m_face.elements["PowerOffText"], "Power off in 6 s");
    m_pass.items[1].powerOffIn = 0;
    Update();
    EXPECT_EQ(m_face.elements["PowerOffText"], "Power off in 0 s") << "due";
    for (SItemSnapshot& item : m_pass.items)
        item.powerOffIn = -1;
    Update();
    EXPECT_EQ(m_face.elements["PowerOffText"], "");
}

struct UnitCase {
    const char* unit;
    bool celsius;
};

class UnitValue : public ::testing::TestWithParam<UnitCase> {};

TEST_P(UnitValue, OnlyCOrNothingMeansCelsius) {
    EXPECT_EQ(UnitIsCelsius(GetParam().unit), GetParam().celsius);
}

INSTANTIATE_TEST_SUITE_P(Values, UnitValue,
                         ::testing::Values(UnitCase{"C", true}, UnitCase{"", true},
                                           UnitCase{"F", false}, UnitCase{"c", false},
                                           UnitCase{" C", false}, UnitCase{"CC", false}));

}  // namespace
