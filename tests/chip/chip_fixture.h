#pragma once
// Chip-layer tests: the chip layer's port calls go to an in-process register file, with every
// access logged.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "fake_chip_backend.h"
#include "sim_port_io.h"

class ChipFixture : public ::testing::Test {
  protected:
    ChipFixture() { io.Attach(&regs); }

    static std::string Hex(const char* prefix, uint8_t v) {
        char text[8];
        std::snprintf(text, sizeof(text), "%02X", v);
        return prefix + std::string(text);
    }

    CFakeChipBackend regs;
    CSimPortIo io;
};
