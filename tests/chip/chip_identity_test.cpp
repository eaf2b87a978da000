// The chip's ports open only to the W83627EHF: the guard against the simulated board in-process,
// which answers the identification registers as the chip does or pretends to be another one.

#include "chip_identity_guard.h"

#include <gtest/gtest.h>

#include <memory>

#include "sim_port_io.h"
#include "test_board.h"
#include "w83627ehf.h"

namespace {

struct Rig {
    Rig() {
        std::string error;
        board = LoadTestBoard([] { return 0.0; }, &error);
        EXPECT_TRUE(board) << error;
        io.Attach(board.get());
    }
    std::string Sim(const std::string& command) { return board->Execute(command); }

    std::unique_ptr<CSimBoard> board;
    CSimPortIo io;
};

TEST(ChipIdentityGuard, OnlyTheW83627EHFIsProgrammed) {
    struct Case {
        const char* pretend;  // vornsim's chip command, or none
        CChipIdentityGuard::EState state;
        const char* told;  // what the user is told, empty for nothing
    };
    const Case cases[] = {
        {nullptr, CChipIdentityGuard::EState::IDENTIFIED, ""},
        {"chip 5CA3 A1", CChipIdentityGuard::EState::IDENTIFIED, ""},
        {"chip 5CA3 C1", CChipIdentityGuard::EState::REFUSED,
         "the chip at ports 0x295/0x296 is not a W83627EHF (it answers vendor ID high byte "
         "0x5C, chip ID 0xC1); nothing is read from or written to it"},
        {"chip 1050 88", CChipIdentityGuard::EState::REFUSED,
         "the chip at ports 0x295/0x296 is not a W83627EHF (it answers vendor ID high byte "
         "0x10); nothing is read from or written to it"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pretend ? c.pretend : "the chip itself");
        Rig rig;
        if (c.pretend) {
            ASSERT_EQ(rig.Sim(c.pretend).rfind("OK\n", 0), 0u);
        }
        std::vector<std::string> told;
        CChipIdentityGuard guard(rig.io, [&](const std::string& text) { told.push_back(text); });
        CW83627EHF chip(guard);
        const int duty = chip.SetFanDuty(0x28, 0x40);
        chip.SetFanDuty(0x29, 0x40);
        EXPECT_EQ(guard.State(), c.state);
        const std::string after = rig.Sim("chip");
        if (c.state == CChipIdentityGuard::EState::REFUSED) {
            EXPECT_LT(duty, 1);
            EXPECT_NE(after.find(" writes 0\n"), std::string::npos) << after;
            EXPECT_EQ(told, std::vector<std::string>{c.told}) << "told once";
        } else {
            EXPECT_EQ(duty, 1);
            EXPECT_TRUE(told.empty());
        }
    }
}

// A chip left in another bank is read in bank 0 and put back as it was found.
TEST(ChipIdentityGuard, BankSelectIsPutBackAfterIdentification) {
    Rig rig;
    ASSERT_TRUE(rig.io.OutPortB(0x295, 0x4E));
    ASSERT_TRUE(rig.io.OutPortB(0x296, 0x84));
    CChipIdentityGuard guard(rig.io, {});
    uint8_t bankSelect = 0;
    ASSERT_TRUE(guard.OutPortB(0x295, 0x4E));
    ASSERT_TRUE(guard.InPortB(0x296, &bankSelect));
    EXPECT_EQ(guard.State(), CChipIdentityGuard::EState::IDENTIFIED);
    EXPECT_EQ(bankSelect, 0x84);
}

}  // namespace
