#include "device_wire.h"

#include "port_record.h"

namespace vornio {

std::vector<uint8_t> EncodeRequest(uint32_t code, std::span<const uint8_t> input) {
    std::vector<uint8_t> frame(REQUEST_HEADER_SIZE + input.size());
    PutLe32(&frame[0], REQUEST_MAGIC);
    PutLe32(&frame[4], code);
    PutLe32(&frame[8], static_cast<uint32_t>(input.size()));
    std::copy(input.begin(), input.end(), frame.begin() + REQUEST_HEADER_SIZE);
    return frame;
}

std::vector<uint8_t> EncodeAnswer(const DeviceAnswer& answer) {
    std::vector<uint8_t> frame(ANSWER_HEADER_SIZE + answer.output.size());
    PutLe32(&frame[0], ANSWER_MAGIC);
    PutLe32(&frame[4], answer.success ? 1 : 0);
    PutLe32(&frame[8], answer.error);
    PutLe32(&frame[12], static_cast<uint32_t>(answer.output.size()));
    std::copy(answer.output.begin(), answer.output.end(), frame.begin() + ANSWER_HEADER_SIZE);
    return frame;
}

std::optional<RequestHeader> DecodeRequestHeader(std::span<const uint8_t, REQUEST_HEADER_SIZE> h) {
    if (GetLe32(&h[0]) != REQUEST_MAGIC)
        return std::nullopt;
    RequestHeader r{GetLe32(&h[4]), GetLe32(&h[8])};
    if (r.inputLength > MAX_RECORD)
        return std::nullopt;
    return r;
}

std::optional<AnswerHeader> DecodeAnswerHeader(std::span<const uint8_t, ANSWER_HEADER_SIZE> h) {
    if (GetLe32(&h[0]) != ANSWER_MAGIC)
        return std::nullopt;
    uint32_t success = GetLe32(&h[4]);
    if (success > 1)
        return std::nullopt;
    AnswerHeader a{success == 1, GetLe32(&h[8]), GetLe32(&h[12])};
    if (a.outputLength > MAX_RECORD)
        return std::nullopt;
    return a;
}

}  // namespace vornio
