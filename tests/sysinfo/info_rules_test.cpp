#include "info_rules.h"

#include <gtest/gtest.h>

TEST(InfoRules, BoardModelNormalisation) {
    struct Case {
        const char* raw;
        const char* model;
    };
    const Case cases[] = {
        {" XB-100 (Rev 1.0)", "XB-100"},
        {"AB//CD", "AB__CD"},
        {"A/B", "A/B"},
        {"A/B//C (x/y)", "A_B__C"},
        {"  P5Q  ", "P5Q"},
        {"(only)", ""},
        {"NULL", "NULL"},
        {"\tTab", "\tTab"},  // only spaces are cut
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormalizeBoardModel(c.raw), c.model) << c.raw;
    }
}

TEST(InfoRules, VgaIdIsTheSubsystemPart) {
    struct Case {
        const char* deviceId;
        const char* vgaId;
    };
    const Case cases[] = {
        {"PCI\\VEN_1234&DEV_5678&SUBSYS_9ABC1234&REV_A1\\3&0000", "SUBSYS_9ABC1234"},
        {"PCI\\VEN_1234&REV_A1", "PCI\\VEN_1234&"},      // no SUBSYS: from the start through r
        {"PCI\\VEN_1234&DEV_5678&SUBSYS_9ABC1234", ""},  // no &REV: negative length
        {"&REV_01 SUBSYS_1", ""},                        // &REV before SUBSYS
        {"NULL", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VgaIdFromDeviceId(c.deviceId), c.vgaId) << c.deviceId;
    }
}

TEST(InfoRules, ServicePackText) {
    EXPECT_EQ(ServicePackText("Service Pack 2"), "SP2");
    EXPECT_EQ(ServicePackText(""), "");
    EXPECT_EQ(ServicePackText("  Service Pack 1a "), "SP1a");
    EXPECT_EQ(ServicePackText("Beta"), "SPBeta");
}

TEST(InfoRules, BiosDateFromWmiDate) {
    struct Case {
        const char* wmi;
        bool addCentury;
        const char* date;
    };
    const Case cases[] = {
        {"20050615000000.000000+000", false, "06/15/2005"},
        {"19050615000000.000000+000", true, "06/15/2005"},
        {"20050615", false, "06/15/2005"},
        {"NULL", false, ""},
        {"2005061", false, ""},
        {"2005O615000000.000000+000", false, ""},
        {"", false, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BiosDateText(c.wmi, c.addCentury), c.date) << c.wmi;
    }
}

TEST(InfoRules, DirectXVersions) {
    struct Case {
        const char* value;
        const char* answer;
    };
    const Case cases[] = {
        {"4.05.00.0155", "5.0"},          {"4.06.02.0436", "6.0"},  {"4.07.00.0700", "7.0"},
        {"4.08.01.0810", "8.1"},          {"4.08.01.0881", "8.1"},  {"4.08.01.0901", "8.1a"},
        {"4.08.02.0134", "8.2"},          {"4.08.00.0400", "8.0"},  {"4.08.01.0902", "8.0"},
        {"4.09.00.0900", "9.0"},          {"4.09.00.0901", "9.0a"}, {"4.09.00.0902", "9.0b"},
        {"4.09.00.0904", "4.09.00.0904"}, {"x4.07", "7.0"},         {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DirectXVersionText(c.value), c.answer) << c.value;
    }
}

TEST(InfoRules, TickCountWrapsAsSigned32Bits) {
    EXPECT_EQ(TickCountText(0), "0");
    EXPECT_EQ(TickCountText(2147483647), "2147483647");
    EXPECT_EQ(TickCountText(2147483648ull), "-2147483648");
    EXPECT_EQ(TickCountText(4294967296ull + 5), "5");
}

TEST(InfoRules, DateAndTimeWithoutLeadingZeros) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 6;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 7;
    EXPECT_EQ(DateText(t), "12/6/2026");
    EXPECT_EQ(TimeText(t), "9:5:7");
    t.tm_hour = 23;
    t.tm_min = 0;
    t.tm_sec = 59;
    EXPECT_EQ(TimeText(t), "23:0:59");
}
