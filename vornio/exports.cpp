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

int WriteCommand(uint8_t value) {
    return CLibraryState::Instance().Mailbox().WriteCommand(value);
}

uint8_t ReadCommand(void) {
    return CLibraryState::Instance().Mailbox().ReadCommand();
}

int WriteData(uint8_t value) {
    return CLibraryState::Instance().Mailbox().WriteData(value);
}

uint8_t ReadData(void) {
    return CLibraryState::Instance().Mailbox().ReadData();
}

bool IsACK(void) {
    return CLibraryState::Instance().Mailbox().IsACK();
}

bool IsBusy(void) {
    return CLibraryState::Instance().Mailbox().IsBusy();
}

bool IsValid(void) {
    return CLibraryState::Instance().Mailbox().IsValid();
}

bool IsGX4410Exist(void) {
    return CLibraryState::Instance().Mailbox().IsGX4410Exist();
}

int SetAIP(uint8_t item, const uint8_t* data, uint8_t length) {
    return CLibraryState::Instance().Items().SetAIP(item, data, length);
}

int GetAIP(uint8_t item, const uint8_t* data, uint8_t length, uint8_t* out) {
    return CLibraryState::Instance().Items().GetAIP(item, data, length, out);
}

bool RegisterHandle(HWND window) {
    return CLibraryState::Instance().Registry().RegisterHandle(window);
}

bool UnregisterHandle(HWND window) {
    return CLibraryState::Instance().Registry().UnregisterHandle(window);
}

bool IsHandleRegistered(HWND window) {
    return CLibraryState::Instance().Registry().IsHandleRegistered(window);
}

int GetRegisteredHandleCount(void) {
    return CLibraryState::Instance().Registry().GetRegisteredHandleCount();
}

int GetRegisteredHandleList(int32_t list[10]) {
    return CLibraryState::Instance().Registry().GetRegisteredHandleList(list);
}

int RegisterEvent(void) {
    return CLibraryState::Instance().Interrupts().RegisterEvent();
}

bool IsEventRegistered(void) {
    return CLibraryState::Instance().Interrupts().IsEventRegistered();
}

HANDLE GetRegisteredEventHandle(void) {
    return CLibraryState::Instance().Interrupts().GetRegisteredEventHandle();
}

void SendMsgToClient(uint8_t code) {
    CLibraryState::Instance().Interrupts().SendMsgToClient(code);
}

bool ExitWaitingThread(void) {
    return CLibraryState::Instance().Interrupts().ExitWaitingThread();
}

int GetInterruptCount(void) {
    return CLibraryState::Instance().Interrupts().GetInterruptCount();
}

}  // extern "C"
