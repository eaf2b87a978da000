#pragma once
// Control codes of the VORN-IO device and the sizes of their records. The driver service and
// the library both build on these; they must never drift apart.

#include <cstddef>
#include <cstdint>

namespace vornio {

inline constexpr uint32_t IOCTL_REGISTER_EVENT = 0x0022240C;
inline constexpr uint32_t IOCTL_READ_MSR = 0x00222418;
inline constexpr uint32_t IOCTL_WRITE_MSR = 0x0022241C;
inline constexpr uint32_t IOCTL_MCU_WRITE = 0x00222420;
inline constexpr uint32_t IOCTL_MCU_READ = 0x00222424;
inline constexpr uint32_t IOCTL_READ_PORT = 0x00222428;
inline constexpr uint32_t IOCTL_WRITE_PORT = 0x0022242C;
inline constexpr uint32_t IOCTL_READ_PORT_BYTE = 0x00222430;
inline constexpr uint32_t IOCTL_WRITE_PORT_BYTE = 0x00222434;
// One attribute of the chip's kernel hwmon device written by the service (hwmon_write_record.h).
inline constexpr uint32_t IOCTL_HWMON_WRITE = 0x00222444;

inline constexpr size_t REGISTER_EVENT_IN_SIZE = 4;
inline constexpr size_t READ_MSR_IN_SIZE = 4;
inline constexpr size_t READ_MSR_OUT_SIZE = 8;
inline constexpr size_t WRITE_MSR_IN_SIZE = 12;
inline constexpr size_t MCU_RECORD_SIZE = 259;
inline constexpr size_t PORT_RECORD_SIZE = 20;
inline constexpr size_t HWMON_WRITE_IN_SIZE = 64;

}  // namespace vornio
