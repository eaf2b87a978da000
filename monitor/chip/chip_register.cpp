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
    int result = WriteField(ehf::BANK_SELECT, bank);
    if (result < 1)
        ReportChipError(result, "");
    return result;
}

int CSensorChip::ReadField(const ehf::SChipField& field, uint8_t* value) {
    uint8_t v = 0;
    int result = ReadChipRegister(m_io, field.index, &v);
    if (result >= 1)
        *value = static_cast<uint8_t>((v & ehf::FieldMask(field)) >> field.shift);
    return result;
}

int CSensorChip::WriteField(const ehf::SChipField& field, uint8_t value) {
    uint8_t v = 0;
    if (field.kept != 0) {
        int result = ReadChipRegister(m_io, field.index, &v);
        if (result < 1)
            return result;
    }
    return WriteChipRegister(m_io, field.index,
                             ehf::WithField(static_cast<uint8_t>(v & field.kept), field, value));
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
