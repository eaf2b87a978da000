#pragma once
// The state a board's BIOS leaves the hardware monitor in at power-on: a limit for every
// connected input, the beep masks, global beep on, fan divisors, and each fan's control as the
// board description gives it.

#include "board_description.h"
#include "w83627ehf_model.h"

void ApplyBiosSetup(const SBoardDescription& board, CW83627ehfModel& chip);
