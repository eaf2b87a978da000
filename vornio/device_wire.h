#pragma once
// Wire format of the VORN-IO device socket. A connection carries any number of exchanges, one
// at a time: the client sends a request frame, the service answers with one answer frame.
//
//   request: u32 magic 'VRQ1' | u32 control code | u32 input length | input record
//   answer:  u32 magic 'VAN1' | u32 success (0/1) | u32 error code | u32 output length | output
//
// All integers are little-endian. The input record is at most MAX_RECORD bytes; a frame with a
// bad magic or a longer record is malformed and the service closes the connection. The error
// code is an errno value describing a failure (0 on success) so a client can report it.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vornio {

inline constexpr uint32_t REQUEST_MAGIC = 0x31515256;  // "VRQ1"
inline constexpr uint32_t ANSWER_MAGIC = 0x314E4156;   // "VAN1"
inline constexpr uint32_t MAX_RECORD = 4096;
inline constexpr size_t REQUEST_HEADER_SIZE = 12;
inline constexpr size_t ANSWER_HEADER_SIZE = 16;

struct DeviceRequest {
    uint32_t code = 0;
    std::vector<uint8_t> input;
};

struct DeviceAnswer {
    bool success = false;
    uint32_t error = 0;
    std::vector<uint8_t> output;
};

std::vector<uint8_t> EncodeRequest(uint32_t code, std::span<const uint8_t> input);
std::vector<uint8_t> EncodeAnswer(const DeviceAnswer& answer);

struct RequestHeader {
    uint32_t code;
    uint32_t inputLength;
};
struct AnswerHeader {
    bool success;
    uint32_t error;
    uint32_t outputLength;
};

// Header decoders; nullopt for a bad magic or an oversized record.
std::optional<RequestHeader> DecodeRequestHeader(std::span<const uint8_t, REQUEST_HEADER_SIZE> h);
std::optional<AnswerHeader> DecodeAnswerHeader(std::span<const uint8_t, ANSWER_HEADER_SIZE> h);

}  // namespace vornio
