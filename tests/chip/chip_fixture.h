#pragma once
// Chip-layer tests run against the simulated board in-process, with drift off so every
// register holds what the board file and the test put there.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "sim_board.h"
#include "sim_port_io.h"

class ChipFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        board = CSimBoard::Load(std::string(VORN_BIN_DIR) + "/sim/EHF-SIM.simboard", &error);
        ASSERT_TRUE(board) << error;
        board->SetDrift(false);
        board->SetClock([this] { return now; });
        io.Attach(board.get());
        io.ClearLog();
    }

    static std::string Hex(const char* prefix, uint8_t v) {
        char text[8];
        std::snprintf(text, sizeof(text), "%02X", v);
        return prefix + std::string(text);
    }

    double now = 0;
    std::unique_ptr<CSimBoard> board;
    CSimPortIo io;
    CScopedChipPortIo scope{&io};
};
