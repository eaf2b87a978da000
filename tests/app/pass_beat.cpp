#include "pass_beat.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

int64_t PassStartMs(const nlohmann::json& pass) {
    std::tm t{};
    int ms = 0;
    const std::string text = pass.value("time", "");
    if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d.%dZ", &t.tm_year, &t.tm_mon, &t.tm_mday,
                    &t.tm_hour, &t.tm_min, &t.tm_sec, &ms) != 7)
        return -1;
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    return static_cast<int64_t>(::timegm(&t)) * 1000 + ms;
}

std::string PassOffItsBeat(const std::vector<nlohmann::json>& passes) {
    if (passes.empty())
        return "";
    const int64_t first = PassStartMs(passes.front());
    for (size_t i = 0; i < passes.size(); ++i) {
        const int64_t beat = first + static_cast<int64_t>(i) * PASS_INTERVAL_MS;
        const int64_t start = PassStartMs(passes[i]);
        if (start < 0 || std::llabs(start - beat) >= PASS_INTERVAL_MS / 2) {
            return "pass " + passes[i].value("pass", nlohmann::json()).dump() + " began at " +
                   passes[i].value("time", "?") + ", " + std::to_string(start - beat) +
                   " ms from its beat";
        }
    }
    return "";
}
