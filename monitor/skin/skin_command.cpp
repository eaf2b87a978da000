#include "skin_command.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

struct SRegistry {
    std::mutex lock;
    std::vector<CSkinCommand*> live;
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
    if (std::find(r.live.begin(), r.live.end(), this) == r.live.end())
        r.live.push_back(this);
}

CSkinCommand::~CSkinCommand() {
    SRegistry& r = Registry();
    std::lock_guard guard(r.lock);
    if (r.clearing)
        return;
    r.live.erase(std::remove(r.live.begin(), r.live.end(), this), r.live.end());
}

namespace SkinCommandRegistry {

bool Contains(const void* object) {
    SRegistry& r = Registry();
    std::lock_guard guard(r.lock);
    return std::find(r.live.begin(), r.live.end(), object) != r.live.end();
}

void Clear() {
    SRegistry& r = Registry();
    std::vector<CSkinCommand*> doomed;
    {
        std::lock_guard guard(r.lock);
        doomed.swap(r.live);
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
