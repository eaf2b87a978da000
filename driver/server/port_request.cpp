#include "port_request.h"

#include <algorithm>

using namespace vornio;

namespace {

constexpr uint32_t LAST_PORT = 0xFFFF;

bool AllZero(const PortRecord& r, size_t from, size_t to) {
    return std::all_of(r.begin() + from, r.begin() + to, [](uint8_t b) { return b == 0; });
}

// A port field the access does not use must be zero or name the same port (truncated to its
// width), as a client that fills every field does. Anything else is an ambiguous record.
bool Agrees(uint32_t field, uint32_t expected) {
    return field == 0 || field == expected;
}

std::optional<PortAccess> ParseByte(const PortRecord& r, bool write) {
    if (r[PORT_OFF_SIZE] != 1)
        return std::nullopt;
    if (!AllZero(r, 1, PORT_OFF_VALUE8) || !AllZero(r, PORT_OFF_VALUE16, PORT_RECORD_SIZE)) {
        return std::nullopt;
    }
    if (!write && r[PORT_OFF_VALUE8] != 0)
        return std::nullopt;
    PortAccess a;
    a.size = 1;
    a.port = GetLe16(&r[PORT_OFF_PORT16]);
    a.value = write ? r[PORT_OFF_VALUE8] : 0;
    return a;
}

std::optional<PortAccess> ParseSized(const PortRecord& r, bool write) {
    const uint8_t size = r[PORT_OFF_SIZE];
    if (size != 1 && size != 2 && size != 4)
        return std::nullopt;
    if (!AllZero(r, 1, PORT_OFF_PORT32) || !AllZero(r, 18, PORT_RECORD_SIZE))
        return std::nullopt;

    const uint32_t port = RecordPort(r, size);
    if (port > LAST_PORT + 1 - size)
        return std::nullopt;
    if (size == 1 && r[PORT_OFF_PORT8] != (port & 0xFF))
        return std::nullopt;
    if (!Agrees(GetLe32(&r[PORT_OFF_PORT32]), port) || !Agrees(r[PORT_OFF_PORT8], port & 0xFF) ||
        !Agrees(GetLe16(&r[PORT_OFF_PORT16]), port)) {
        return std::nullopt;
    }

    // A write's copies in the other value fields are not checked: a client may fill them with
    // the value at their own widths. A read names no value at all.
    if (!write && (!AllZero(r, PORT_OFF_VALUE32, PORT_OFF_PORT8) || r[PORT_OFF_VALUE8] != 0 ||
                   !AllZero(r, PORT_OFF_VALUE16, 18))) {
        return std::nullopt;
    }
    const uint32_t value = write ? RecordValue(r, size) : 0;
    return PortAccess{static_cast<uint16_t>(port), size, value};
}

}  // namespace

std::optional<PortAccess> ParsePortRequest(std::span<const uint8_t> input, EPortRequestForm form,
                                           bool write) {
    if (input.size() != PORT_RECORD_SIZE)
        return std::nullopt;
    PortRecord r;
    std::copy(input.begin(), input.end(), r.begin());
    return form == EPortRequestForm::BYTE ? ParseByte(r, write) : ParseSized(r, write);
}

PortRecord MakePortAnswer(uint8_t size, uint32_t value) {
    PortRecord r{};
    r[PORT_OFF_SIZE] = size;
    SetRecordValue(r, size, value);
    return r;
}
