#include "gx4410_model.h"

#include "mailbox_ports.h"
#include "mcu_protocol.h"

using namespace vornio;

// "GX", a version, and bytes 6/7 = 0x0005: a 34-byte clock-generator block.
const std::array<uint8_t, BOARD_INFO_SIZE> CGx4410Model::DEFAULT_BOARD_INFO = {
    'G', 'X', 0x44, 0x10, 0x01, 0x02, 0x00, 0x05, 0x00};

namespace {

// The stored bytes an item answers until something replaces them.
std::vector<uint8_t> Pattern(uint8_t item, size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t j = 0; j < size; ++j)
        bytes[j] = static_cast<uint8_t>(item * 7 + j * 0x11 + 1);
    return bytes;
}

}  // namespace

bool CGx4410Model::Decodes(uint16_t port) const {
    return m_mode != EMode::OFF && (port == MAILBOX_COMMAND_PORT || port == MAILBOX_DATA_PORT);
}

void CGx4410Model::SetMode(EMode mode) {
    m_mode = mode;
    m_out.clear();
    m_phase = EPhase::IDLE;
}

uint8_t CGx4410Model::ReadByte(uint16_t port) {
    if (m_mode == EMode::BUSY)
        return port == MAILBOX_COMMAND_PORT ? MAILBOX_BUSY : 0;
    if (port == MAILBOX_COMMAND_PORT)
        return m_out.empty() ? 0 : mcu::STATUS_VALID;
    if (m_out.empty())
        return 0;
    const uint8_t byte = m_out.front();
    m_out.pop_front();
    return byte;
}

void CGx4410Model::WriteByte(uint16_t port, uint8_t value) {
    if (m_mode == EMode::BUSY)
        return;
    if (port == MAILBOX_COMMAND_PORT) {
        // A command starts afresh, whatever was under way.
        m_out.clear();
        m_phase = EPhase::IDLE;
        m_command = value;
        switch (value) {
            case mcu::COMMAND_PRESENCE:
                m_out.push_back(mcu::ACK);
                break;
            case mcu::COMMAND_READ_ITEM:
            case mcu::COMMAND_WRITE_ITEM:
                m_out.push_back(mcu::ACK);
                m_phase = EPhase::ITEM;
                break;
            default:
                m_out.push_back(mcu::NAK);
                break;
        }
        return;
    }
    switch (m_phase) {
        case EPhase::IDLE:
            break;  // nothing asked for data
        case EPhase::ITEM:
            m_item = value;
            m_phase = EPhase::LENGTH;
            break;
        case EPhase::LENGTH:
            m_length = value;
            m_input.clear();
            if (m_length == 0)
                Execute();
            else
                m_phase = EPhase::DATA;
            break;
        case EPhase::DATA:
            m_input.push_back(value);
            if (m_input.size() == m_length)
                Execute();
            break;
    }
}

void CGx4410Model::Execute() {
    m_phase = EPhase::IDLE;
    m_out.clear();
    ++m_transfers;
    if (m_command == mcu::COMMAND_WRITE_ITEM) {
        m_out.push_back(WriteItem(m_item, m_input));
        return;
    }
    const std::vector<uint8_t> answer = ReadItem(m_item, m_input);
    m_out.push_back(static_cast<uint8_t>(answer.size()));
    m_out.insert(m_out.end(), answer.begin(), answer.end());
}

std::vector<uint8_t> CGx4410Model::ReadItem(uint8_t item, const std::vector<uint8_t>& input) {
    if (item > LAST_ITEM)
        return {};
    if (item == ITEM_INT_STATUS) {
        const size_t index = input.empty() ? 0 : input[0];
        if (index == 0)
            return {static_cast<uint8_t>(m_pending.size())};
        if (index > m_pending.size())
            return {0};
        m_pending[index - 1].reported = true;
        return {m_pending[index - 1].sources};
    }
    return Answer(item);
}

uint8_t CGx4410Model::WriteItem(uint8_t item, const std::vector<uint8_t>& input) {
    if (item > LAST_ITEM)
        return mcu::WRITE_REFUSED;
    m_written[item] = input;
    if (item == ITEM_INT_ACK)
        std::erase_if(m_pending, [](const SEntry& e) { return e.reported; });
    if (item == ITEM_CLOCK_GEN_WRITE)
        m_answers[ITEM_CLOCK_GEN_READ] = input;
    return mcu::WRITE_DONE;
}

std::vector<uint8_t> CGx4410Model::Answer(uint8_t item) const {
    if (item > LAST_ITEM)
        return {};
    if (item == ITEM_INT_STATUS)
        return {static_cast<uint8_t>(m_pending.size())};
    if (m_answers[item])
        return *m_answers[item];
    if (item == ITEM_BOARD_INFO)
        return {DEFAULT_BOARD_INFO.begin(), DEFAULT_BOARD_INFO.end()};
    if (item == ITEM_CLOCK_GEN_READ) {
        const std::vector<uint8_t> info = Answer(ITEM_BOARD_INFO);
        uint16_t value = 0;
        if (info.size() > BOARD_INFO_CLOCK_LOW) {
            value = static_cast<uint16_t>(info[BOARD_INFO_CLOCK_HIGH] << 8 |
                                          info[BOARD_INFO_CLOCK_LOW]);
        }
        return Pattern(item, ClockGenByteCount(value));
    }
    return Pattern(item, TableItemLengths(item)->output);
}

bool CGx4410Model::SetAnswer(uint8_t item, std::vector<uint8_t> bytes) {
    if (item > LAST_ITEM || item == ITEM_INT_STATUS || bytes.size() > MAX_ANSWER)
        return false;
    m_answers[item] = std::move(bytes);
    return true;
}

bool CGx4410Model::Raise(const std::vector<uint8_t>& sources) {
    for (uint8_t s : sources) {
        if (m_pending.size() < MAX_PENDING) {
            m_pending.push_back({s, false});
        } else {
            m_pending.back().sources |= s;
            m_pending.back().reported = false;
        }
    }
    return m_sink && m_sink->RaiseInterrupt();
}

std::vector<uint8_t> CGx4410Model::Pending() const {
    std::vector<uint8_t> bytes;
    for (const SEntry& e : m_pending)
        bytes.push_back(e.sources);
    return bytes;
}
