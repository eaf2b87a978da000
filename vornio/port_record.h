#pragma once
// The 20-byte port request record, used in both directions by the four port requests. Each
// access size has its own port and value fields; the driver echoes the size at offset 0.

#include <array>
#include <cstdint>

#include "device_codes.h"

namespace vornio {

using PortRecord = std::array<uint8_t, PORT_RECORD_SIZE>;

inline constexpr size_t PORT_OFF_SIZE = 0;
inline constexpr size_t PORT_OFF_PORT32 = 4;
inline constexpr size_t PORT_OFF_VALUE32 = 8;
inline constexpr size_t PORT_OFF_PORT8 = 12;
inline constexpr size_t PORT_OFF_VALUE8 = 13;
inline constexpr size_t PORT_OFF_PORT16 = 14;
inline constexpr size_t PORT_OFF_VALUE16 = 16;

// Record of InPortB / OutPortB: size 1, port at offset 14, value (write only) at offset 13.
PortRecord MakeByteRecord(uint16_t port, uint8_t value = 0);
// Record of ReadPortVal / WritePortVal: the port in all three port fields and, for a write,
// the value in all three value fields (truncated to each field's width).
PortRecord MakeSizedRecord(uint16_t port, uint8_t size, uint32_t value = 0, bool withValue = false);

// The port field of the given access size: the 32-bit one for 4, else the 16-bit one. The 8-bit
// field at offset 12 only carries the port's low byte, so a one-byte access reads the full port
// from offset 14 like the one-byte requests do.
uint32_t RecordPort(const PortRecord& r, uint8_t size);
uint32_t RecordValue(const PortRecord& r, uint8_t size);
void SetRecordValue(PortRecord& r, uint8_t size, uint32_t value);

uint16_t GetLe16(const uint8_t* p);
uint32_t GetLe32(const uint8_t* p);
uint64_t GetLe64(const uint8_t* p);
void PutLe16(uint8_t* p, uint16_t v);
void PutLe32(uint8_t* p, uint32_t v);
void PutLe64(uint8_t* p, uint64_t v);

}  // namespace vornio
