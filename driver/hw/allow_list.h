#pragma once
// The ports and MSRs the hw backend may touch. Everything else is refused.
//
// File format (default /etc/vorn-io/allow.conf), one rule per line, '#' starts a comment:
//   port      <first>[-<last>]   I/O ports 0..0xFFFF, read and write
//   msr-read  <first>[-<last>]   MSRs that may be read
//   msr-write <first>[-<last>]   MSRs that may be written (reading needs its own rule)
// Numbers are decimal or 0x-prefixed hexadecimal; ranges are inclusive. A file that exists
// replaces the defaults entirely; without it the defaults are the chip's index/data ports and
// the microcontroller mailbox (ports 0x295-0x296, 0xE0, 0xE4) and no MSR at all. The file is
// refused unless root (or the service's own user) owns it and its folder, neither is writable by
// group or others, and it is not a symbolic link: it decides what a root process touches.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CAllowList {
  public:
    static constexpr const char* DEFAULT_PATH = "/etc/vorn-io/allow.conf";

    static CAllowList Defaults();
    // nullopt with "line N: ..." in *error for a malformed rule.
    static std::optional<CAllowList> Parse(std::string_view text, std::string* error);
    // A missing file gives the defaults unless mustExist (the path was given explicitly).
    static std::optional<CAllowList> Load(const std::string& path, bool mustExist,
                                          std::string* error);

    // Every port of a multi-byte access must be listed.
    bool AllowsPort(uint16_t port, uint8_t size) const;
    bool AllowsMsrRead(uint32_t msr) const;
    bool AllowsMsrWrite(uint32_t msr) const;
    bool AllowsAnyMsr() const { return !m_msrRead.empty() || !m_msrWrite.empty(); }
    bool AllowsAnyMsrWrite() const { return !m_msrWrite.empty(); }

  private:
    struct Range {
        uint32_t first;
        uint32_t last;
    };
    static bool Contains(const std::vector<Range>& ranges, uint32_t value);

    std::vector<Range> m_ports;
    std::vector<Range> m_msrRead;
    std::vector<Range> m_msrWrite;
};
