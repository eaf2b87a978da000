#include "os_version_info.h"

#include <gtest/gtest.h>

#include "locale_language.h"
#include "test_support.h"

namespace {

// The flags as a compact word, in declaration order, for the table below.
std::string FlagWord(const OsFamilyFlags& f) {
    std::string w;
    for (bool b : {f.otherPlatform, f.win95, f.win98, f.winME, f.ntOther, f.win2000, f.winXP,
                   f.win2003, f.family95, f.win9x, f.familyNT}) {
        w += b ? '1' : '0';
    }
    return w;
}

}  // namespace

TEST(OSVersionInfo, FlagsAndDetectedSystemOfEachRecord) {
    constexpr uint32_t W = VER_PLATFORM_WIN32_WINDOWS;
    constexpr uint32_t NT = VER_PLATFORM_WIN32_NT;
    struct Case {
        OsVersionRecord record;
        const char* flags;  // other 95 98 ME NTother 2000 XP 2003 fam95 9x famNT
        const char* detected;
    };
    const Case cases[] = {
        {Record(W, 3, 95), "01000000110", "Win95"},
        {Record(W, 4, 0), "01000000110", "Win95"},
        {Record(W, 4, 10), "00100000110", "Win98"},
        {Record(W, 4, 50), "00100000110", "Win98"},
        {Record(W, 4, 90), "00010000110", "WinME"},
        {Record(W, 5, 0), "00100000110", "Win98"},
        {Record(NT, 4, 0), "00001000001", ""},
        {Record(NT, 5, 0), "00000100001", "Win2000"},
        {Record(NT, 5, 1), "00000010001", "WinXP"},
        {Record(NT, 5, 2), "00000001001", "Win2003"},
        {Record(NT, 5, 7), "00000001001", "Win2003"},
        {Record(NT, 6, 1), "00001000001", ""},
        {Record(0, 3, 10), "10000000000", ""},
        {Record(VER_PLATFORM_LINUX, 6, 1), "10000000000", ""},
    };
    for (const auto& c : cases) {
        COSVersionInfo os(c.record);
        EXPECT_EQ(FlagWord(os.Flags()), c.flags)
            << c.record.platform << " " << c.record.major << "." << c.record.minor;
        EXPECT_EQ(os.DetectOS(), c.detected);
    }
}

TEST(OSVersionInfo, ServicePackTextIsKeptOnTheNtFamilyOnly) {
    EXPECT_EQ(COSVersionInfo(Record(VER_PLATFORM_WIN32_NT, 5, 0, "Service Pack 4")).ServicePack(),
              "Service Pack 4");
    EXPECT_EQ(COSVersionInfo(Record(VER_PLATFORM_WIN32_WINDOWS, 4, 10, " A ")).ServicePack(), "");
    std::string longText(200, 'x');
    COSVersionInfo cut(Record(VER_PLATFORM_WIN32_NT, 5, 1, longText));
    EXPECT_EQ(cut.ServicePack().size(), SERVICE_PACK_TEXT_MAX);
}

TEST(OSVersionInfo, ThisSystemIsLinuxWithNoWindowsFlag) {
    COSVersionInfo os;
    EXPECT_EQ(os.Record().platform, VER_PLATFORM_LINUX);
    EXPECT_EQ(os.Record().size, OS_VERSION_RECORD_SIZE);
    EXPECT_EQ(FlagWord(os.Flags()), "10000000000");
    EXPECT_GT(os.Record().major, 0u);
    EXPECT_EQ(os.ServicePack(), "");
}

TEST(OSVersionInfo, LanguageTable) {
    struct Case {
        uint16_t id;
        const char* code;
    };
    const Case cases[] = {
        {0x042D, "BAQ"}, {0x0409, "ENU"}, {0x0C0C, "FRC"}, {0x040C, "FRA"}, {0x0816, "PTG"},
        {0x080A, "ESM"}, {0x041F, "TUR"}, {0x0809, ""},    {0x0000, ""},    {0xFFFF, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(COSVersionInfo::LanguageCode(c.id), c.code) << std::hex << c.id;
    }
}

TEST(LocaleLanguage, LocaleNamesGiveLanguageIdentifiers) {
    struct Case {
        const char* locale;
        uint16_t id;
    };
    const Case cases[] = {
        {"en_US.UTF-8", 0x0409},
        {"en_GB.UTF-8", 0x0809},
        {"de_DE@euro", 0x0407},
        {"de_DE.ISO-8859-15@euro", 0x0407},
        {"fr_CA", 0x0C0C},
        {"pt", 0x0416},
        {"zh_CN.GB18030", 0x0804},
        {"nb_NO.UTF-8", 0x0414},
        {"en", 0x0409},
        {"es_ES", 0x040A},
        {"C", 0},
        {"POSIX", 0},
        {"C.UTF-8", 0},
        {"", 0},
        {"xx_YY", 0},
        {"de_XX", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LanguageIdFromLocale(c.locale), c.id) << c.locale;
    }
}
