#pragma once
// A page command word on its way from a skin button to the main window. The click is delivered
// later, after the button's own handling; the receiver trusts the pointer it gets only if the
// registry still holds it, so a stale or forged delivery is dropped without touching memory.

#include <string>

class CSkinCommand {
  public:
    explicit CSkinCommand(std::string id);
    virtual ~CSkinCommand();
    CSkinCommand(const CSkinCommand&) = delete;
    CSkinCommand& operator=(const CSkinCommand&) = delete;

    const std::string& Id() const { return m_id; }

  private:
    std::string m_id;
};

namespace SkinCommandRegistry {
bool Contains(const void* object);
// Deletes every command still waiting (at program end).
void Clear();
int Size();
}  // namespace SkinCommandRegistry
