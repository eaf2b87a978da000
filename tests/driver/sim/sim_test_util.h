#pragma once
// Helpers of the simulated-board tests: a board on a hand-driven clock, and register access
// through the ports the way the monitor's chip layer does it.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sim_board.h"

struct SSimRig {
    double now = 0.0;
    std::unique_ptr<CSimBoard> board;

    explicit SSimRig(bool drift = false, const std::string& file = ShippedBoard()) {
        std::string error;
        board = CSimBoard::Load(file, &error);
        if (!board) {
            ADD_FAILURE() << error;
            return;
        }
        board->SetClock([this] { return now; });
        board->SetDrift(drift);
    }

    static std::string ShippedBoard() {
        return std::string(VORN_BIN_DIR) + "/sim/EHF-SIM.simboard";
    }

    uint8_t Read(uint8_t index) {
        uint32_t v = 0xDEAD;
        EXPECT_TRUE(board->WritePort(0x295, 1, index));
        EXPECT_TRUE(board->ReadPort(0x296, 1, &v));
        return static_cast<uint8_t>(v);
    }

    void Write(uint8_t index, uint8_t value) {
        EXPECT_TRUE(board->WritePort(0x295, 1, index));
        EXPECT_TRUE(board->WritePort(0x296, 1, value));
    }

    void SelectBank(uint8_t bank) { Write(0x4E, (Read(0x4E) & 0xF8) | (bank & 0x07)); }

    uint8_t Read(uint8_t bank, uint8_t index) {
        SelectBank(bank);
        return Read(index);
    }

    void Write(uint8_t bank, uint8_t index, uint8_t value) {
        SelectBank(bank);
        Write(index, value);
    }

    // Runs a command that must succeed and returns its text without the "OK" line.
    std::string Command(const std::string& line) {
        const std::string reply = board->Execute(line);
        EXPECT_EQ(reply.rfind("OK\n", 0), 0u) << line << " -> " << reply;
        return reply.size() >= 3 ? reply.substr(3) : reply;
    }

    void RunFor(double seconds) { now += seconds; }
};
