#include "board_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

using namespace sim_ehf;

namespace {

const std::string HEAD = "[board]\nname = T\n";

std::string ErrorOf(const std::string& text) {
    std::string error;
    const auto board = CBoardFile::Parse(text, "t.simboard", &error);
    EXPECT_FALSE(board.has_value()) << text;
    return error;
}

}  // namespace

TEST(BoardFile, ShippedBoardDescribesEveryInput) {
    std::string error;
    const auto board =
        CBoardFile::Load(std::string(VORN_BIN_DIR) + "/sim/EHF-SIM.simboard", &error);
    ASSERT_TRUE(board) << error;
    EXPECT_EQ(board->name, "EHF-SIM");
    for (const auto& v : board->voltages)
        EXPECT_TRUE(v.connected);
    for (const auto& t : board->temperatures)
        EXPECT_TRUE(t.connected);
    for (const auto& f : board->fans)
        EXPECT_TRUE(f.connected);
    EXPECT_TRUE(board->voltages[5].negative);
    EXPECT_DOUBLE_EQ(board->voltages[1].divider, 0.15);
    EXPECT_EQ(board->temperatures[0].fan, 1);  // CPUTEMPERATURE cooled by CPUFAN0
    EXPECT_TRUE(board->fans[1].cruise);
    EXPECT_FALSE(board->fans[0].cruise);
}

TEST(BoardFile, MissingSectionsAreUnconnectedAndKeysHaveDefaults) {
    std::string error;
    const auto board =
        CBoardFile::Load(std::string(VORN_TEST_DATA_DIR) + "/minimal.simboard", &error);
    ASSERT_TRUE(board) << error;
    EXPECT_EQ(board->name, "MINI");
    EXPECT_FALSE(board->voltages[0].connected);
    const SVoltageDescription& vin4 = board->voltages[9];
    EXPECT_TRUE(vin4.connected);
    EXPECT_DOUBLE_EQ(vin4.divider, 1.0);
    EXPECT_NEAR(vin4.low, 1.44, 1e-9);
    EXPECT_NEAR(vin4.high, 1.76, 1e-9);
    EXPECT_EQ(board->temperatures[0].fan, 0);
    EXPECT_DOUBLE_EQ(board->temperatures[0].high, 70.0);
    EXPECT_DOUBLE_EQ(board->temperatures[0].hysteresis, 65.0);
    EXPECT_FALSE(board->temperatures[1].connected);
    EXPECT_EQ(board->fans[0].divisor, 8);
    EXPECT_FALSE(board->fans[1].connected);
}

TEST(BoardFile, BadFilesNameTheLineAndTheFault) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"", "t.simboard: [board] with its name is missing"},
        {"[board]\n", "t.simboard: [board] with its name is missing"},
        {"name = T\n", "t.simboard:1: key 'name' outside a section"},
        {HEAD + "this is not ini\n", "t.simboard:3: expected [section], key = value"},
        {HEAD + "[VCOR]\nnominal = 1\n", "t.simboard:3: unknown section [VCOR]"},
        {HEAD + "[vcore]\nnominal = 1\n", "unknown section [vcore]"},
        {HEAD + "[VCORE]\nbeep = 1\n", "t.simboard:3: [VCORE] lacks 'nominal'"},
        {HEAD + "[VCORE]\nnominal = abc\n", "t.simboard:4: 'abc' is not a number"},
        {HEAD + "[VCORE]\nnominal = 1.2V\n", "'1.2V' is not a number"},
        {HEAD + "[VCORE]\nnominal = nan\n", "'nan' is not a number"},
        {HEAD + "[VCORE]\nnominal = 1\ncolour = blue\n",
         "t.simboard:5: unknown key 'colour' in [VCORE]"},
        {HEAD + "[VCORE]\nnominal = 1\nnominal = 2\n",
         "t.simboard:5: key 'nominal' again in [VCORE]"},
        {HEAD + "[VCORE]\nnominal = 1\n[VIN0]\nnominal = 1\n[VCORE]\nbeep = 1\n",
         "t.simboard:8: section [VCORE] again"},
        {HEAD + "[VCORE]\nnominal = -1\n", "a negative nominal value needs negative = 1"},
        {HEAD + "[VCORE]\nnominal = 5\n",
         "t.simboard:4: nominal 5 V is outside what the input measures (0 .. 2.04 V)"},
        {HEAD + "[VCORE]\nnominal = 1\nhigh = 3\n", "t.simboard:5: high 3 V is outside"},
        {HEAD + "[VCORE]\nnominal = 1\nlow = 1.2\nhigh = 1.1\n", "t.simboard:5: low is above high"},
        {HEAD + "[VCORE]\nnominal = 1\ndivider = 0\n", "divider 0 is outside"},
        {HEAD + "[VCORE]\nnominal = 1\nbeep = 2\n", "t.simboard:5: beep must be 0 or 1"},
        {HEAD + "[VCORE]\nnominal = 1\nnegative = yes\n", "negative must be 0 or 1"},
        {HEAD + "[SYSFAN]\nmax_rpm = 2000\ndivisor = 3\n",
         "t.simboard:5: divisor must be a power of two"},
        {HEAD + "[SYSFAN]\nmax_rpm = 2000\ndivisor = 256\n", "divisor 256 is outside 1 .. 128"},
        {HEAD + "[SYSFAN]\nmax_rpm = 200000\n", "max_rpm 200000 is outside 1 .. 168750"},
        {HEAD + "[SYSFAN]\nmax_rpm = 2000\ncontrol = auto\n", "control must be manual or cruise"},
        {HEAD + "[SYSFAN]\nmax_rpm = 2000\ntolerance = 16\n", "tolerance 16 is outside 0 .. 15"},
        {HEAD + "[SYSFAN]\nmax_rpm = 2000\nduty = 50.5\n", "'50.5' is not a whole number"},
        {HEAD + "[AUXFAN1]\nmax_rpm = 2000\nduty = 50\n", "unknown key 'duty' in [AUXFAN1]"},
        {HEAD + "[CPUTEMPERATURE]\nambient = 30\nfan = VCORE\n", "fan 'VCORE' is no fan pin"},
        {HEAD + "[CPUTEMPERATURE]\nambient = 30\nfan = CPUFAN0\n",
         "CPUTEMPERATURE is cooled by CPUFAN0, which has no section"},
        {HEAD + "[CPUTEMPERATURE]\nambient = 30\nhigh = 60\nhysteresis = 61\n",
         "hysteresis is above high"},
        {HEAD + "[CPUTEMPERATURE]\nambient = 30\ncooling = 1.5\n", "cooling 1.5 is outside 0 .. 1"},
        {HEAD + "[CPUTEMPERATURE]\nambient = 30\ntime_constant = 0\n",
         "time_constant 0 is outside"},
        {HEAD + "[board]\nname = again\n", "section [board] again"},
        {"[board]\nname = T\nmodel = x\n", "unknown key 'model' in [board]"},
        {std::string("[board]\nname = T\0\n", 17), "t.simboard: not a text file"},
        {HEAD + "; " + std::string(300, 'x') + "\n", "t.simboard:3: line too long"},
    };
    for (const Case& c : cases) {
        const std::string error = ErrorOf(c.text);
        EXPECT_NE(error.find(c.expected), std::string::npos)
            << "text:\n"
            << c.text << "\nerror: " << error << "\nexpected: " << c.expected;
    }
}

TEST(BoardFile, CommentsAndSpacingAreAllowed) {
    std::string error;
    const auto board = CBoardFile::Parse(
        "# a board\n[board]\n  name=T   ; inline comment\n\n[VIN2]\nnominal=-12\nnegative = 1\n",
        "t", &error);
    ASSERT_TRUE(board) << error;
    EXPECT_EQ(board->name, "T");
    EXPECT_DOUBLE_EQ(board->voltages[5].nominal, -12.0);
    EXPECT_NEAR(board->voltages[5].low, -13.2, 1e-9);
    EXPECT_NEAR(board->voltages[5].high, -10.8, 1e-9);
}

TEST(BoardFile, LoadReportsFilesThatCannotBeRead) {
    std::string error;
    EXPECT_FALSE(CBoardFile::Load(std::string(VORN_TEST_DATA_DIR) + "/none.simboard", &error));
    EXPECT_NE(error.find("none.simboard: cannot open"), std::string::npos) << error;
    EXPECT_FALSE(CBoardFile::Load(VORN_TEST_DATA_DIR, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_FALSE(CBoardFile::Load(std::string(VORN_TEST_DATA_DIR) + "/bad_key.simboard", &error));
    EXPECT_NE(error.find("bad_key.simboard:6: unknown key 'colour' in [VCORE]"), std::string::npos)
        << error;
}

TEST(BoardFile, MangledFilesAreRefusedOrReadNeverHalfRead) {
    std::string error;
    const auto shipped =
        CBoardFile::Load(std::string(VORN_BIN_DIR) + "/sim/EHF-SIM.simboard", &error);
    ASSERT_TRUE(shipped) << error;
    std::string text;
    {
        FILE* f = std::fopen((std::string(VORN_BIN_DIR) + "/sim/EHF-SIM.simboard").c_str(), "rb");
        ASSERT_NE(f, nullptr);
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            text.append(buffer, n);
        std::fclose(f);
    }
    std::mt19937 rng(1234);
    const char alphabet[] =
        "[]=;#\n \t0123456789.-+eE\r\x7f\xff"
        "abcVCOREfan";
    int refused = 0;
    for (int round = 0; round < 2000; ++round) {
        std::string mangled = text;
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            const size_t at = rng() % mangled.size();
            switch (rng() % 3) {
                case 0:
                    mangled[at] = alphabet[rng() % (sizeof alphabet - 1)];
                    break;
                case 1:
                    mangled.erase(at, 1 + rng() % 20);
                    break;
                default:
                    mangled.insert(at, 1, alphabet[rng() % (sizeof alphabet - 1)]);
                    break;
            }
            if (mangled.empty())
                mangled = 'x';
        }
        error.clear();
        const auto board = CBoardFile::Parse(mangled, "m", &error);
        if (!board) {
            ++refused;
            EXPECT_EQ(error.rfind("m", 0), 0u) << error;
            EXPECT_GT(error.size(), 2u);
        } else {
            EXPECT_FALSE(board->name.empty());
        }
    }
    EXPECT_GT(refused, 0);
}
