#include "chip_register.h"

#include <cstdio>
#include <cstdlib>

namespace {
std::string g_lastErrorText;
}

int ReadChipRegister(IPortIo& io, uint8_t index, uint8_t* value) {
    if (io.OutPortB(CHIP_INDEX_PORT, index) == 0)
        return ERR_PORT_WRITE;
    int result = io.InPortB(CHIP_DATA_PORT, value);
    return result == 0 ? ERR_PORT_READ : result;
}

int WriteChipRegister(IPortIo& io, uint8_t index, uint8_t value) {
    if (io.OutPortB(CHIP_INDEX_PORT, index) == 0)
        return ERR_PORT_WRITE;
    int result = io.OutPortB(CHIP_DATA_PORT, value);
    return result == 0 ? ERR_PORT_WRITE : result;
}

int CSensorChip::SelectBank(uint8_t bank) {
    uint8_t old = 0;
    int result = ReadChipRegister(m_io, BANK_SELECT_REGISTER, &old);
    if (result < 1) {
        ReportChipError(result, "");
        return result;
    }
    result = WriteChipRegister(m_io, BANK_SELECT_REGISTER,
                               static_cast<uint8_t>((old & 0xF8) | (bank & 0x07)));
    if (result < 1)
        ReportChipError(result, "");
    return result;
}

void CSensorChip::ReportChipError(int code, const std::string& detail) {
    char text[256];
    std::snprintf(text, sizeof(text), "#Error: %d, %s", code, detail.c_str());
    g_lastErrorText = text;
    if (std::getenv("VORNPILOT_TRACE"))
        std::fprintf(stderr, "%s\n", text);
}

std::string LastChipErrorText() {
    return g_lastErrorText;
}
