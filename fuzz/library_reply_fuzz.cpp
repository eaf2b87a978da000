// The library's reading of the service's answers: answer headers as they come off the socket,
// and every export's decoding of the output records it is given (echoed sizes, values, MSR
// lengths, item outputs).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "device_io.h"
#include "device_wire.h"
#include "fuzz_input.h"
#include "item_access.h"
#include "last_failure.h"
#include "mailbox_mutex.h"
#include "port_access.h"

namespace {

// A service whose every answer comes from the fuzzer's input: success or failure, the number
// of bytes it gives back, and those bytes.
class CFuzzedDevice : public IDeviceIo {
  public:
    explicit CFuzzedDevice(CFuzzInput& input) : m_input(input) {}
    bool Control(uint32_t, std::span<const uint8_t>, std::span<uint8_t> out,
                 uint32_t* returned) override {
        if (m_input.Empty())
            return false;
        if ((m_input.Byte() & 1) == 0)
            return false;
        const size_t wanted = m_input.Byte();
        auto bytes = m_input.Bytes(std::min(wanted, out.size()));
        std::copy(bytes.begin(), bytes.end(), out.begin());
        if (returned)
            *returned = static_cast<uint32_t>(bytes.size());
        return true;
    }

  private:
    CFuzzInput& m_input;
};

class CFreeMutex : public IMailboxMutex {
  public:
    bool Open() override { return true; }
    EWaitResult Wait(const std::atomic<bool>*) override { return EWaitResult::SIGNALED; }
    bool Release() override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzInput input(data, size);
    auto header = input.Bytes(vornio::ANSWER_HEADER_SIZE);
    if (header.size() == vornio::ANSWER_HEADER_SIZE)
        (void)vornio::DecodeAnswerHeader(std::span<const uint8_t, 16>(header.data(), 16));

    CFuzzedDevice device(input);
    CLastFailure failure;
    CPortAccess ports(device, failure);
    CFreeMutex mutex;
    CItemAccess items(device, mutex, failure);
    while (!input.Empty()) {
        const uint8_t op = input.Byte();
        const uint8_t arg = input.Byte();
        uint8_t byte = 0;
        uint32_t value = 0;
        std::vector<uint8_t> in(256), out(256);
        switch (op % 8) {
            case 0:
                (void)ports.InPortB(0x295, &byte);
                break;
            case 1:
                (void)ports.OutPortB(0x295, arg);
                break;
            case 2:
                (void)ports.ReadPortVal(0x295, &value, arg);
                break;
            case 3:
                (void)ports.WritePortVal(0x295, 0x12345678, arg);
                break;
            case 4:
                (void)ports.ReadMSR(arg);
                break;
            case 5:
                (void)items.GetAIP(arg, in.data(), input.Byte(), out.data());
                break;
            case 6:
                (void)items.SetAIP(arg, in.data(), input.Byte());
                break;
            default:
                (void)items.GetIntStatus();
                break;
        }
    }
    return 0;
}
