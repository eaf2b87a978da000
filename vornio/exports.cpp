// The library's C exports; each forwards to the process's library state.

#include <cstring>

#include "library_state.h"
#include "vornio.h"

namespace {
constexpr char VERSION_TEXT[16] = "V2.0 2004/--/--";
static_assert(sizeof(VERSION_TEXT) == 16);
}  // namespace

extern "C" {

bool Start(void) {
    return CLibraryState::Instance().Start();
}

bool IsStart(void) {
    return CLibraryState::Instance().IsStarted();
}

int InPortB(uint16_t port, uint8_t* value) {
    return CLibraryState::Instance().Ports().InPortB(port, value);
}

int OutPortB(uint16_t port, uint8_t value) {
    return CLibraryState::Instance().Ports().OutPortB(port, value);
}

bool ReadPortVal(uint16_t port, uint32_t* value, uint8_t size) {
    return CLibraryState::Instance().Ports().ReadPortVal(port, value, size);
}

bool WritePortVal(uint16_t port, uint32_t value, uint8_t size) {
    return CLibraryState::Instance().Ports().WritePortVal(port, value, size);
}

uint64_t ReadMSR(uint32_t msr) {
    return CLibraryState::Instance().Ports().ReadMSR(msr);
}

void WriteMSR(uint32_t msr, uint32_t low, uint32_t high) {
    CLibraryState::Instance().Ports().WriteMSR(msr, low, high);
}

void GetDllVersion(char* buffer) {
    std::memcpy(buffer, VERSION_TEXT, sizeof(VERSION_TEXT));
}

}  // extern "C"
