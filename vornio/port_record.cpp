#include "port_record.h"

namespace vornio {

uint16_t GetLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t GetLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t GetLe64(const uint8_t* p) {
    return static_cast<uint64_t>(GetLe32(p)) | (static_cast<uint64_t>(GetLe32(p + 4)) << 32);
}

void PutLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutLe64(uint8_t* p, uint64_t v) {
    PutLe32(p, static_cast<uint32_t>(v));
    PutLe32(p + 4, static_cast<uint32_t>(v >> 32));
}

PortRecord MakeByteRecord(uint16_t port, uint8_t value) {
    PortRecord r{};
    r[PORT_OFF_SIZE] = 1;
    r[PORT_OFF_VALUE8] = value;
    PutLe16(&r[PORT_OFF_PORT16], port);
    return r;
}

PortRecord MakeSizedRecord(uint16_t port, uint8_t size, uint32_t value, bool withValue) {
    PortRecord r{};
    r[PORT_OFF_SIZE] = size;
    PutLe32(&r[PORT_OFF_PORT32], port);
    r[PORT_OFF_PORT8] = static_cast<uint8_t>(port);
    PutLe16(&r[PORT_OFF_PORT16], port);
    if (withValue) {
        PutLe32(&r[PORT_OFF_VALUE32], value);
        r[PORT_OFF_VALUE8] = static_cast<uint8_t>(value);
        PutLe16(&r[PORT_OFF_VALUE16], static_cast<uint16_t>(value));
    }
    return r;
}

uint32_t RecordPort(const PortRecord& r, uint8_t size) {
    switch (size) {
        case 4:
            return GetLe32(&r[PORT_OFF_PORT32]);
        default:
            return GetLe16(&r[PORT_OFF_PORT16]);
    }
}

uint32_t RecordValue(const PortRecord& r, uint8_t size) {
    switch (size) {
        case 4:
            return GetLe32(&r[PORT_OFF_VALUE32]);
        case 2:
            return GetLe16(&r[PORT_OFF_VALUE16]);
        default:
            return r[PORT_OFF_VALUE8];
    }
}

void SetRecordValue(PortRecord& r, uint8_t size, uint32_t value) {
    switch (size) {
        case 4:
            PutLe32(&r[PORT_OFF_VALUE32], value);
            break;
        case 2:
            PutLe16(&r[PORT_OFF_VALUE16], static_cast<uint16_t>(value));
            break;
        default:
            r[PORT_OFF_VALUE8] = static_cast<uint8_t>(value);
            break;
    }
}

}  // namespace vornio
