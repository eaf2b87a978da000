#pragma once
// The 259-byte microcontroller item record, sent with IOCTL_MCU_WRITE (SetAIP) and
// IOCTL_MCU_READ (GetAIP); the answer has the same size.
//
//   offset  input                                   output
//   0       item number (0..110)
//   1       input data length
//   2       0                                       result byte: GetAIP the number of data
//                                                   bytes returned, SetAIP the status; 0xFF
//                                                   when the microcontroller did not answer
//   3       expected output length (1 for SetAIP)
//   4..258  input data, the first <length> bytes    returned data

#include <array>
#include <cstdint>

#include "device_codes.h"

namespace vornio {

using McuRecord = std::array<uint8_t, MCU_RECORD_SIZE>;

inline constexpr size_t MCU_OFF_ITEM = 0;
inline constexpr size_t MCU_OFF_INPUT_LENGTH = 1;
inline constexpr size_t MCU_OFF_RESULT = 2;
inline constexpr size_t MCU_OFF_OUTPUT_LENGTH = 3;
inline constexpr size_t MCU_OFF_DATA = 4;
inline constexpr size_t MCU_DATA_SIZE = MCU_RECORD_SIZE - MCU_OFF_DATA;  // 255
inline constexpr uint8_t MCU_NO_ANSWER = 0xFF;

// The input record; data may be null (then the bytes are zero).
McuRecord MakeMcuRequest(uint8_t item, const uint8_t* data, uint8_t length, uint8_t expectedOutput);

}  // namespace vornio
