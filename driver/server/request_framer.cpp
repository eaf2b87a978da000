#include "request_framer.h"

using namespace vornio;

size_t CRequestFramer::Missing() const {
    if (!m_header)
        return REQUEST_HEADER_SIZE - m_buffer.size();
    return REQUEST_HEADER_SIZE + m_header->inputLength - m_buffer.size();
}

bool CRequestFramer::Append(std::span<const uint8_t> bytes) {
    if (bytes.size() > Missing())
        return false;
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
    if (!m_header && m_buffer.size() == REQUEST_HEADER_SIZE) {
        m_header = DecodeRequestHeader(
            std::span<const uint8_t, REQUEST_HEADER_SIZE>(m_buffer.data(), REQUEST_HEADER_SIZE));
        if (!m_header)
            return false;
    }
    return true;
}

DeviceRequest CRequestFramer::Take() {
    DeviceRequest request;
    request.code = m_header->code;
    request.input.assign(m_buffer.begin() + REQUEST_HEADER_SIZE, m_buffer.end());
    m_buffer.clear();
    m_header.reset();
    return request;
}
