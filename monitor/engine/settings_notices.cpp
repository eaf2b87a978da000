#include "settings_notices.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace {

constexpr size_t MAX_KEPT = 32;

std::mutex g_mutex;
std::vector<std::string> g_notices;

}  // namespace

void SettingsNotice(const std::string& text) {
    std::fprintf(stderr, "vornpilot: %s\n", text.c_str());
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_notices.size() < MAX_KEPT &&
        std::find(g_notices.begin(), g_notices.end(), text) == g_notices.end())
        g_notices.push_back(text);
}

std::vector<std::string> SettingsNotices() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_notices;
}
