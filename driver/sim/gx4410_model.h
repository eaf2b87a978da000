#pragma once
// The simulated GX4410 microcontroller behind the mailbox ports 0xE4/0xE0, answering the
// handshake of mcu_protocol.h at once.
//
// Items: a read answers the item's stored bytes, by default as many as the item table gives
// for its output, in a fixed pattern; `SetAnswer` replaces them (any length up to 254, so a
// test can make the microcontroller answer more than the table says). Item 68 holds the nine
// board-information bytes; item 26 (the clock-generator block) answers as many bytes as
// bytes 6 and 7 of item 68 call for, and a write of item 27 stores the block item 26 answers.
// Item 106 answers the pending interrupt entries: input 0 gives their number, input i entry i
// (0 past the last), which marks that entry as reported. A write of item 107 acknowledges:
// the reported entries are cleared, so an interrupt raised after the host read its sources
// stays pending for the next round instead of being acknowledged unseen. Any other write is
// kept as the item's last written bytes. Every write answers status 1.
//
// Modes: ON answers; OFF leaves the ports undecoded (they read 0xFF, as with no
// microcontroller); BUSY shows status 0x0A and ignores what is written.

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "interrupt_sink.h"
#include "item_table.h"
#include "sim_port_device.h"

class CGx4410Model : public ISimPortDevice {
  public:
    enum class EMode { ON, OFF, BUSY };

    static constexpr size_t MAX_PENDING = 32;
    static constexpr size_t MAX_ANSWER = 254;  // a count of 255 would read as "no answer"
    static const std::array<uint8_t, vornio::BOARD_INFO_SIZE> DEFAULT_BOARD_INFO;

    bool Decodes(uint16_t port) const override;
    uint8_t ReadByte(uint16_t port) override;
    void WriteByte(uint16_t port, uint8_t value) override;

    void SetMode(EMode mode);
    EMode Mode() const { return m_mode; }
    void SetSink(IInterruptSink* sink) { m_sink = sink; }

    // Adds one pending entry per source byte (beyond MAX_PENDING entries, the sources join
    // the last entry, which then counts as not reported) and raises the interrupt. True when
    // a registered event was signalled.
    bool Raise(const std::vector<uint8_t>& sources);
    std::vector<uint8_t> Pending() const;

    // What a read of the item answers (item 106: for input 0).
    std::vector<uint8_t> Answer(uint8_t item) const;
    // False for an item above 110, for item 106 (it answers from the pending entries) and for
    // more than MAX_ANSWER bytes.
    bool SetAnswer(uint8_t item, std::vector<uint8_t> bytes);
    const std::vector<uint8_t>& Written(uint8_t item) const { return m_written.at(item); }
    uint64_t Transfers() const { return m_transfers; }

  private:
    enum class EPhase { IDLE, ITEM, LENGTH, DATA };
    void Execute();
    struct SEntry {
        uint8_t sources;
        bool reported;
    };
    std::vector<uint8_t> ReadItem(uint8_t item, const std::vector<uint8_t>& input);
    uint8_t WriteItem(uint8_t item, const std::vector<uint8_t>& input);

    EMode m_mode = EMode::ON;
    IInterruptSink* m_sink = nullptr;
    std::deque<uint8_t> m_out;
    EPhase m_phase = EPhase::IDLE;
    uint8_t m_command = 0;
    uint8_t m_item = 0;
    uint8_t m_length = 0;
    std::vector<uint8_t> m_input;
    std::vector<SEntry> m_pending;
    std::array<std::optional<std::vector<uint8_t>>, vornio::ITEM_COUNT> m_answers;
    std::array<std::vector<uint8_t>, vornio::ITEM_COUNT> m_written;
    uint64_t m_transfers = 0;
};
