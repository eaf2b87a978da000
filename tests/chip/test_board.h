#pragma once
// The simulated board EHF-SIM for in-process tests: drift off, so every input holds what the
// board file and the test put there, and time from the test's own clock.

#include <functional>
#include <memory>
#include <string>

#include "sim_board.h"

inline std::unique_ptr<CSimBoard> LoadTestBoard(std::function<double()> clock, std::string* error) {
    auto board = CSimBoard::Load(std::string(VORN_BIN_DIR) + "/sim/EHF-SIM.simboard", error);
    if (board) {
        board->SetDrift(false);
        board->SetClock(std::move(clock));
    }
    return board;
}
