#include "ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "temp_dir.h"

namespace {

TEST(IniFile, ReadsWithPrivateProfileRules) {
    CIniFile ini;
    ini.Parse(
        "; comment\n"
        "loose=before any section\n"
        "[Global]\n"
        "  Total_Item_Count =  18  \n"
        "Quoted = \"  spaced  \"\n"
        "Single='x'\n"
        "Half=\"open\n"
        "Empty=\n"
        "; Hidden=1\n"
        "no equals sign\n"
        "[ITEM1]\r\n"
        "Name=CPU = hot\n"
        "[global]\n"
        "Total_Item_Count=99\n");
    EXPECT_EQ(ini.GetString("GLOBAL", "total_item_count"), "18") << "first section of the name";
    EXPECT_EQ(ini.GetString("global", "QUOTED"), "  spaced  ");
    EXPECT_EQ(ini.GetString("Global", "Single"), "x");
    EXPECT_EQ(ini.GetString("Global", "Half"), "\"open");
    EXPECT_EQ(ini.GetString("Global", "Empty"), "");
    EXPECT_FALSE(ini.GetString("Global", "Hidden"));
    EXPECT_FALSE(ini.GetString("Global", "loose"));
    EXPECT_EQ(ini.GetString("item1", "name"), "CPU = hot");
    EXPECT_FALSE(ini.GetString("ITEM2", "Name"));
    EXPECT_TRUE(ini.HasSection("Item1"));
    EXPECT_TRUE(ini.HasKey("ITEM1", "NAME"));
    EXPECT_EQ(ini.GetInt("Global", "Empty", -1), -1) << "an empty value is the default";
    EXPECT_EQ(ini.GetInt("Global", "Missing", -1), -1);
    EXPECT_EQ(ini.GetInt("Global", "Single", -1), 0) << "no digits";
}

TEST(IniFile, IntegersParseLikeGetPrivateProfileInt) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"12600", 12600},
        {"-13200", -13200},
        {"+7", 7},
        {"  42  ", 42},
        {"12abc", 12},
        {"abc", 0},
        {"-", 0},
        {"0x10", 0},
        {"1.5", 1},
        {"-1", -1},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"99999999999", 2147483647},
        {"-2147483648", INT32_MIN},
        {"-99999999999", INT32_MIN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CIniFile::ParseInt(c.text), c.value) << c.text;
}

TEST(IniFile, WritesInPlaceAtTheSectionEndOrInANewSection) {
    CIniFile ini;
    ini.Parse(
        "[A]\n"
        "x=1\n"
        "; note\n"
        "y=2\n"
        "\n"
        "[B]\n"
        "z=3\n");
    ASSERT_TRUE(ini.SetString("a", "X", "10"));
    ASSERT_TRUE(ini.SetString("A", "w", " 4 "));
    ASSERT_TRUE(ini.SetString("C", "k", "v"));
    ASSERT_TRUE(ini.SetString("b", "z", ""));
    EXPECT_EQ(ini.Serialize(),
              "[A]\n"
              "x=10\n"
              "; note\n"
              "y=2\n"
              "w=4\n"
              "\n"
              "[B]\n"
              "z=\n"
              "[C]\n"
              "k=v\n");
}

TEST(IniFile, RefusesWhatALineCannotHold) {
    CIniFile ini;
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"", "k", "v"},     {"S", "", "v"},    {"S]", "k", "v"},
        {"S", "k=1", "v"},  {"S", ";k", "v"},  {"S", "[k", "v"},
        {"S", "k", "a\nb"}, {"S\n", "k", "v"}, {"S", "k\r", "v"},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(ini.SetString(c.section, c.key, c.value)) << c.section << "/" << c.key;
    EXPECT_EQ(ini.Serialize(), "");
    EXPECT_FALSE(ini.SetString("S", "k", std::string_view("a\0b", 3)));
}

TEST(IniFile, FileRoundTripKeepsLineBreaksAndCreatesTheFile) {
    CTempDir dir;
    std::string path = dir.PathOf("sub/Error.log");
    CIniFile ini;
    ASSERT_TRUE(ini.Load(path)) << "a missing file is an empty one";
    ASSERT_TRUE(ini.SetString("261206, 02:14:44 Warning", "CPU", "75 C"));
    ASSERT_TRUE(ini.Save(path));
    CIniFile back;
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back.GetString("261206, 02:14:44 WARNING", "cpu"), "75 C");

    std::string crlf = dir.PathOf("crlf.ini");
    std::ofstream(crlf) << "[S]\r\nk=1\r\n";
    CIniFile windows;
    ASSERT_TRUE(windows.Load(crlf));
    ASSERT_TRUE(windows.SetString("S", "j", "2"));
    EXPECT_EQ(windows.Serialize(), "[S]\r\nk=1\r\nj=2\r\n");

    CIniFile marked;
    marked.Parse("\xEF\xBB\xBF[GLOBAL]\nTotal_Item_Count=2\n");
    EXPECT_EQ(marked.GetInt("GLOBAL", "Total_Item_Count", -1), 2);
    EXPECT_EQ(marked.Serialize(), "\xEF\xBB\xBF[GLOBAL]\nTotal_Item_Count=2\n");

    CIniFile unreadable;
    std::string error;
    EXPECT_FALSE(unreadable.Load(dir.Path(), &error)) << "a directory";
    EXPECT_FALSE(error.empty());
}

}  // namespace

// An error log or board file path may hold anything: a FIFO or a link to a device is refused
// at once, with the reason, instead of hanging the program or filling its memory.
TEST(IniFile, LoadRefusesWhatIsNotAPlainFile) {
    CTempDir dir;
    ASSERT_EQ(::mkfifo(dir.PathOf("fifo.log").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", dir.PathOf("zero.ini").c_str()), 0);
    for (const char* name : {"fifo.log", "zero.ini"}) {
        SCOPED_TRACE(name);
        CIniFile ini;
        std::string error;
        EXPECT_FALSE(ini.Load(dir.PathOf(name), &error));
        EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    }
}
