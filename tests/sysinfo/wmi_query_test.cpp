#include "wmi_query.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "linux_wmi_provider.h"
#include "pci_display.h"
#include "recording_notifier.h"
#include "temp_dir.h"
#include "test_support.h"
#include "wbem_status.h"

namespace {

// A provider whose every step can be told to fail, and which counts its COM starts and ends.
class CFakeProvider : public IWmiProvider {
  public:
    uint32_t startStatus = WBEM_S_NO_ERROR;
    uint32_t securityStatus = WBEM_S_NO_ERROR;
    uint32_t connectStatus = WBEM_S_NO_ERROR;
    uint32_t enumStatus = WBEM_S_NO_ERROR;
    std::vector<WmiInstance> instances;
    int starts = 0;
    int ends = 0;
    int securityCalls = 0;

    uint32_t StartCom() override {
        ++starts;
        return startStatus;
    }
    uint32_t SetComSecurity() override {
        ++securityCalls;
        return securityStatus;
    }
    void EndCom() override { ++ends; }
    uint32_t Connect(const std::string&) override { return connectStatus; }
    uint32_t EnumerateInstances(const std::string&, std::vector<WmiInstance>& out) override {
        out = instances;
        return enumStatus;
    }
};

}  // namespace

TEST(WmiQuery, ComSetUpFailuresAreShownAndTheQueryGoesOn) {
    struct Case {
        uint32_t start;
        uint32_t security;
        bool initResult;
        int securityCalls;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {WBEM_S_NO_ERROR, WBEM_S_NO_ERROR, true, 1, {}},
        {WBEM_S_FALSE, WBEM_E_FAILED, true, 0, {}},  // already started: no security set-up
        {WBEM_E_FAILED, WBEM_S_NO_ERROR, false, 0, {"Failed to initialize OLE"}},
        {WBEM_S_NO_ERROR, WBEM_E_FAILED, false, 1, {"Failed to fix security"}},
    };
    for (const auto& c : cases) {
        CFakeProvider provider;
        provider.startStatus = c.start;
        provider.securityStatus = c.security;
        provider.instances = {{{"Product", Variant::Text("P5Q")}}};
        CRecordingNotifier notifier;
        {
            CWmiQuery query(provider, notifier);
            EXPECT_EQ(query.InitCom(), c.initResult);
        }
        EXPECT_EQ(provider.securityCalls, c.securityCalls);
        EXPECT_EQ(notifier.Messages(), c.messages);
        EXPECT_EQ(provider.ends, 1);  // ended once whatever the start gave

        CRecordingNotifier again;
        EXPECT_EQ(QueryWmiProperty(provider, again, "Win32_BaseBoard", "Product"), "P5Q");
        EXPECT_EQ(again.Messages(), c.messages);
        EXPECT_EQ(provider.starts, provider.ends);
    }
}

TEST(WmiQuery, ConnectionEnumerationAndValues) {
    struct Case {
        const char* what;
        uint32_t connect;
        uint32_t enumerate;
        std::vector<WmiInstance> instances;
        const char* property;
        const char* answer;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"connection fails", WBEM_E_INVALID_NAMESPACE, 0, {}, "Product", "", {}},
        {"unknown class", 0, WBEM_E_INVALID_CLASS, {}, "Product", "NULL", {"WBEM_E_INVALID_CLASS"}},
        {"unnamed failure", 0, 0x8004103A, {}, "Product", "NULL", {"8004103a"}},
        {"no instance", 0, 0, {}, "Product", "NULL", {}},
        {"no such property", 0, 0, {{{"Product", Variant::Text("A")}}}, "Version", "NULL", {}},
        {"null property", 0, 0, {{{"Product", Variant::Null()}}}, "Product", "NULL", {}},
        {"first instance wins",
         0,
         0,
         {{{"Product", Variant::Text("A")}}, {{"Product", Variant::Text("B")}}},
         "product",
         "A",
         {}},
        {"boolean", 0, 0, {{{"Primary", Variant::Bool(true)}}}, "Primary", "true", {}},
    };
    for (const auto& c : cases) {
        CFakeProvider provider;
        provider.connectStatus = c.connect;
        provider.enumStatus = c.enumerate;
        provider.instances = c.instances;
        CRecordingNotifier notifier;
        EXPECT_EQ(QueryWmiProperty(provider, notifier, "Win32_BaseBoard", c.property), c.answer)
            << c.what;
        EXPECT_EQ(notifier.Messages(), c.messages) << c.what;
        EXPECT_EQ(provider.starts, 1) << c.what;
        EXPECT_EQ(provider.ends, 1) << c.what;
    }
}

TEST(LinuxWmiProvider, ComStartsNestAndBalance) {
    CLinuxWmiProvider provider({}, "");
    CRecordingNotifier notifier;
    ASSERT_EQ(CLinuxWmiProvider::ComUsers(), 0);
    {
        CWmiQuery outer(provider, notifier);
        EXPECT_TRUE(outer.InitCom());
        {
            CWmiQuery inner(provider, notifier);
            EXPECT_TRUE(inner.InitCom());
            EXPECT_EQ(CLinuxWmiProvider::ComUsers(), 2);
        }
        EXPECT_EQ(CLinuxWmiProvider::ComUsers(), 1);
    }
    EXPECT_EQ(CLinuxWmiProvider::ComUsers(), 0);
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST(LinuxWmiProvider, ClassesFromDmiAndPciTrees) {
    CTempDir dir;
    const auto dmi = dir.Dir() / "dmi";
    WriteFile(dmi / "board_name", "XB-100 (Rev 1.0)\n");
    WriteFile(dmi / "board_vendor", "Vorn Boards\n");
    WriteFile(dmi / "bios_vendor", "Vorn BIOS Inc.\n");
    WriteFile(dmi / "bios_date", "06/15/2005\n");
    const auto pci = dir.Dir() / "pci";
    WriteFile(pci / "0000:00:1f.3" / "class", "0x040300\n");
    WriteFile(pci / "0000:00:1f.3" / "vendor", "0x8086\n");
    WriteFile(pci / "0000:00:1f.3" / "device", "0xa348\n");
    WriteFile(pci / "0000:0a:00.0" / "class", "0x030000\n");
    WriteFile(pci / "0000:0a:00.0" / "vendor", "0x10de\n");
    WriteFile(pci / "0000:0a:00.0" / "device", "0x1b81\n");
    WriteFile(pci / "0000:0a:00.0" / "subsystem_vendor", "0x1043\n");
    WriteFile(pci / "0000:0a:00.0" / "subsystem_device", "0x8599\n");
    WriteFile(pci / "0000:0a:00.0" / "revision", "0xa1\n");

    DmiSources sources;
    sources.dmiDir = dmi.string();
    CLinuxWmiProvider provider(sources, pci.string());
    CRecordingNotifier notifier;
    struct Case {
        const char* cls;
        const char* property;
        const char* answer;
    };
    const Case cases[] = {
        {"Win32_BaseBoard", "Product", "XB-100 (Rev 1.0)"},
        {"Win32_BaseBoard", "Manufacturer", "Vorn Boards"},
        {"win32_bios", "Manufacturer", "Vorn BIOS Inc."},
        {"Win32_Bios", "ReleaseDate", "20050615000000.000000+000"},
        {"Win32_VideoController", "PNPDeviceID",
         "PCI\\VEN_10DE&DEV_1B81&SUBSYS_85991043&REV_A1\\0000:0A:00.0"},
        {"Win32_OperatingSystem", "CSDVersion", ""},
        {"Win32_OperatingSystem", "Caption", "NULL"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QueryWmiProperty(provider, notifier, c.cls, c.property), c.answer) << c.cls;
    }
    EXPECT_TRUE(notifier.Messages().empty());

    EXPECT_EQ(QueryWmiProperty(provider, notifier, "Win32_Processor", "Name"), "NULL");
    EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"WBEM_E_INVALID_CLASS"});
}

TEST(LinuxWmiProvider, ClassesWithoutFactsHaveNoInstance) {
    CTempDir dir;
    DmiSources sources;
    sources.dmiDir = (dir.Dir() / "missing").string();
    CLinuxWmiProvider provider(sources, (dir.Dir() / "nopci").string());
    CRecordingNotifier notifier;
    for (const char* cls : {"Win32_BaseBoard", "Win32_Bios", "Win32_VideoController"}) {
        std::vector<WmiInstance> instances;
        ASSERT_EQ(provider.Connect(WMI_NAMESPACE), WBEM_S_NO_ERROR);
        EXPECT_EQ(provider.EnumerateInstances(cls, instances), WBEM_S_NO_ERROR) << cls;
        EXPECT_TRUE(instances.empty()) << cls;
    }
    EXPECT_EQ(QueryWmiProperty(provider, notifier, "Win32_VideoController", "PNPDeviceID"), "NULL");
    EXPECT_TRUE(notifier.Messages().empty());
    EXPECT_EQ(provider.Connect("\\\\.\\root\\default"), WBEM_E_INVALID_NAMESPACE);
}

TEST(LinuxWmiProvider, DmiDatesInWmiForm) {
    struct Case {
        const char* dmi;
        const char* wmi;
    };
    const Case cases[] = {
        {"06/15/2005", "20050615000000.000000+000"},
        {"06/15/05", "19050615000000.000000+000"},
        {"6/1/2005", "20050601000000.000000+000"},
        {"13/15/2005", ""},
        {"06/32/2005", ""},
        {"06/15/205", ""},
        {"2005-06-15", ""},
        {"06/15/2005 ", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WmiDateFromDmi(c.dmi), c.wmi) << c.dmi;
    }
}

TEST(PciDisplay, BootAdapterFirstElseLowestAddress) {
    CTempDir dir;
    auto adapter = [&](const std::string& addr, const char* bootVga) {
        WriteFile(dir.Dir() / addr / "class", "0x030000\n");
        WriteFile(dir.Dir() / addr / "vendor", "0x8086\n");
        WriteFile(dir.Dir() / addr / "device", "0x3e92\n");
        if (bootVga != nullptr) {
            WriteFile(dir.Dir() / addr / "boot_vga", bootVga);
        }
    };
    adapter("0000:00:02.0", "0\n");
    adapter("0000:01:00.0", nullptr);
    auto found = FindDisplayAdapter(dir.Path());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->address, "0000:00:02.0");
    EXPECT_EQ(PnpDeviceId(*found), "PCI\\VEN_8086&DEV_3E92&SUBSYS_00000000&REV_00\\0000:00:02.0");
    adapter("0000:01:00.0", "1\n");
    EXPECT_EQ(FindDisplayAdapter(dir.Path())->address, "0000:01:00.0");
    // A function whose ids are not numbers is not taken.
    WriteFile(dir.Dir() / "0000:00:01.0" / "class", "0x030000\n");
    WriteFile(dir.Dir() / "0000:00:01.0" / "vendor", "junk\n");
    WriteFile(dir.Dir() / "0000:00:01.0" / "device", "0x1\n");
    EXPECT_EQ(FindDisplayAdapter(dir.Path())->address, "0000:01:00.0");
}
