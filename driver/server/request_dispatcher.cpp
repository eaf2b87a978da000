#include "request_dispatcher.h"

#include <cerrno>
#include <cstring>

#include "device_codes.h"
#include "hwmon_allow_list.h"
#include "hwmon_write_record.h"
#include "log.h"
#include "mcu_handshake.h"
#include "port_request.h"

using namespace vornio;

namespace {

DeviceAnswer Failure(int error) {
    return DeviceAnswer{false, static_cast<uint32_t>(error), {}};
}

DeviceAnswer Success(std::vector<uint8_t> output) {
    return DeviceAnswer{true, 0, std::move(output)};
}

}  // namespace

DeviceAnswer CRequestDispatcher::Dispatch(uint32_t code, std::span<const uint8_t> input, pid_t peer,
                                          uint64_t client) {
    switch (code) {
        case IOCTL_READ_PORT:
            return PortRequest(input, false, false, client);
        case IOCTL_WRITE_PORT:
            return PortRequest(input, false, true, client);
        case IOCTL_READ_PORT_BYTE:
            return PortRequest(input, true, false, client);
        case IOCTL_WRITE_PORT_BYTE:
            return PortRequest(input, true, true, client);
        case IOCTL_READ_MSR:
            return ReadMsr(input);
        case IOCTL_WRITE_MSR:
            return WriteMsr(input);
        case IOCTL_REGISTER_EVENT:
            return RegisterEvent(input, peer);
        case IOCTL_MCU_WRITE:
        case IOCTL_MCU_READ:
            return McuTransfer(code, input);
        case IOCTL_HWMON_WRITE:
            return HwmonWrite(input);
        default:
            return Failure(EINVAL);
    }
}

DeviceAnswer CRequestDispatcher::PortRequest(std::span<const uint8_t> input, bool byteForm,
                                             bool write, uint64_t client) {
    auto access =
        ParsePortRequest(input, byteForm ? EPortRequestForm::BYTE : EPortRequestForm::SIZED, write);
    if (!access)
        return Failure(EINVAL);

    uint32_t value = access->value;
    const bool ok = write ? m_chipViews.Write(client, access->port, access->size, value)
                          : m_chipViews.Read(client, access->port, access->size, &value);
    if (!ok)
        return Failure(EIO);

    // A backend that hands back more than the access width must not leak into other fields.
    if (access->size == 1)
        value &= 0xFF;
    if (access->size == 2)
        value &= 0xFFFF;
    PortRecord answer = MakePortAnswer(access->size, value);
    return Success({answer.begin(), answer.end()});
}

DeviceAnswer CRequestDispatcher::ReadMsr(std::span<const uint8_t> input) {
    if (input.size() != READ_MSR_IN_SIZE)
        return Failure(EINVAL);
    uint64_t value = 0;
    if (!m_backend.ReadMsr(GetLe32(input.data()), &value))
        return Failure(EIO);
    std::vector<uint8_t> output(READ_MSR_OUT_SIZE);
    PutLe64(output.data(), value);
    return Success(std::move(output));
}

DeviceAnswer CRequestDispatcher::WriteMsr(std::span<const uint8_t> input) {
    if (input.size() != WRITE_MSR_IN_SIZE)
        return Failure(EINVAL);
    const uint32_t msr = GetLe32(&input[0]);
    const uint64_t value = static_cast<uint64_t>(GetLe32(&input[4])) |
                           (static_cast<uint64_t>(GetLe32(&input[8])) << 32);
    if (!m_backend.WriteMsr(msr, value))
        return Failure(EIO);
    return Success({});
}

DeviceAnswer CRequestDispatcher::RegisterEvent(std::span<const uint8_t> input, pid_t peer) {
    if (input.size() != REGISTER_EVENT_IN_SIZE)
        return Failure(EINVAL);
    if (!m_event)
        return Failure(ENOSYS);
    int error = 0;
    if (!m_event->Register(peer, GetLe32(input.data()), &error))
        return Failure(error);
    return Success({});
}

std::optional<SMcuRequest> CRequestDispatcher::AsItemRequest(uint32_t code,
                                                             std::span<const uint8_t> input) {
    if (code != IOCTL_MCU_WRITE && code != IOCTL_MCU_READ)
        return std::nullopt;
    return ParseMcuRequest(input, code == IOCTL_MCU_WRITE);
}

DeviceAnswer CRequestDispatcher::McuTransfer(uint32_t code, std::span<const uint8_t> input) {
    const std::optional<SMcuRequest> request = AsItemRequest(code, input);
    if (!request)
        return Failure(EINVAL);
    return RunItemRequest(*request);
}

DeviceAnswer CRequestDispatcher::RunItemRequest(const SMcuRequest& request) {
    CMcuHandshake handshake(m_backend);
    const SMcuTransfer transfer = handshake.Transfer(request.write, request.item, request.input);
    if (!transfer.portsOk)
        return Failure(EIO);
    const McuRecord answer = MakeMcuAnswer(transfer.result, transfer.data);
    return Success({answer.begin(), answer.end()});
}

DeviceAnswer CRequestDispatcher::HwmonWrite(std::span<const uint8_t> input) {
    const std::optional<SHwmonWrite> request = ParseHwmonWriteRecord(input);
    if (!request)
        return Failure(EINVAL);
    // Only names on the allow-list reach the file system; the refused name is not logged, it
    // may be anything.
    if (!IsAllowedHwmonAttribute(request->attribute))
        return Failure(EPERM);
    if (!IsHwmonDecimalValue(request->value))
        return Failure(EINVAL);
    if (!m_hwmon)
        return Failure(ENOSYS);
    const int error = m_hwmon->Write(request->attribute, request->value);
    if (error != 0) {
        IodLog("hwmon write %s=%s failed: %s", request->attribute.c_str(), request->value.c_str(),
               std::strerror(error));
        return Failure(error);
    }
    return Success({});
}
