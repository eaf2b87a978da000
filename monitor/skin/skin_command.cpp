#include "skin_command.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

struct SRegistry {
    std::mutex lock;
    std::vector<CSkinCommand*> live;
    std::vector<uint64_t> serials;  // beside `live`, so a lookup never reads a command
    uint64_t nextSerial = 1;
    bool clearing = false;
};

SRegistry& Registry() {
    static SRegistry registry;
    return registry;
}

}  // namespace

CSkinCommand::CSkinCommand(std::string id) : m_id(std::move(id)) {
    SRegistry& r = Registry();
    std::lock_guard guard(r.lock);
    m_serial = r.nextSerial++;
    if (std::find(r.live.begin(), r.live.end(), this) == r.live.end()) {
        r.live.push_back(this);
        r.serials.push_back(m_serial);
    }
}

CSkinCommand::~CSkinCommand() {
    SRegistry& r = Registry();
    std::lock_guard guard(r.lock);
    if (r.clearing)
        return;
    const auto at = std::find(r.live.begin(), r.live.end(), this);
    if (at != r.live.end()) {
        r.serials.erase(r.serials.begin() + (at - r.live.begin()));
        r.live.erase(at);
    }
}

namespace SkinCommandRegistry {

bool Contains(const void* object, uint64_t serial) {
    SRegistry& r = Registry();
    std::lock_guard guard(r.lock);
    const auto at = std::find(r.live.begin(), r.live.end(), object);
    return at != r.live.end() && r.serials[static_cast<size_t>(at - r.live.begin())] == serial;
}

void Clear() {
    SRegistry& r = Registry();
    std::vector<CSkinCommand*> doomed;
    {
        std::lock_guard guard(r.lock);
        doomed.swap(r.live);
        r.serials.clear();
        r.clearing = true;
    }
    for (CSkinCommand* c : doomed)
        delete c;
    std::lock_guard guard(r.lock);
    r.clearing = false;
}

int Size() {
    SRegistry& r = Registry();
    std::lock_guard guard(r.lock);
    return static_cast<int>(r.live.size());
}

}  // namespace SkinCommandRegistry
