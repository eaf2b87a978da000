#pragma once
// One request to the driver service: the library's DeviceIoControl. Kept behind an interface
// so the exports' record handling is tested without a service.

#include <cstdint>
#include <span>

class IDeviceIo {
  public:
    virtual ~IDeviceIo() = default;
    // Sends code + input and waits for the answer. True when the service performed the request;
    // *returned is the number of output bytes it gave back (at most out.size()). On failure errno
    // says why and the output is untouched.
    virtual bool Control(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                         uint32_t* returned) = 0;
};
