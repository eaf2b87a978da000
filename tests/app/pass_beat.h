#pragma once
// The two-second beat of the monitor's passes as its JSON lines show it: each line's "time" is
// when its pass began, and passes begin on a fixed schedule from the start, one that overran
// not caught up on.

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

inline constexpr int64_t PASS_INTERVAL_MS = 2000;

// Unix milliseconds of a JSON line's "time" ("YYYY-MM-DDTHH:MM:SS.mmmZ").
int64_t PassStartMs(const nlohmann::json& pass);
// "" when every pass began within half an interval of its beat (the first pass's start plus a
// whole number of intervals, one after the other); otherwise the first that did not. A pass
// held up by something else in the program is late by up to its whole wait; a loaded machine
// wakes a sleeping pass far sooner than half an interval.
std::string PassOffItsBeat(const std::vector<nlohmann::json>& passes);
