#pragma once
// A page command word on its way from a skin button to the main window. The click is delivered
// later, after the button's own handling; the receiver trusts the pointer it gets only if the
// registry still holds it under the same serial number, so a stale or forged delivery is dropped
// without touching memory, even when a newer command was made at a freed command's address.

#include <cstdint>
#include <string>

class CSkinCommand {
  public:
    explicit CSkinCommand(std::string id);
    virtual ~CSkinCommand();
    CSkinCommand(const CSkinCommand&) = delete;
    CSkinCommand& operator=(const CSkinCommand&) = delete;

    const std::string& Id() const { return m_id; }
    uint64_t Serial() const { return m_serial; }

  private:
    std::string m_id;
    uint64_t m_serial;
};

namespace SkinCommandRegistry {
bool Contains(const void* object, uint64_t serial);
// Deletes every command still waiting (at program end).
void Clear();
int Size();
}  // namespace SkinCommandRegistry
