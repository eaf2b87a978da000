#pragma once
// A process told apart from any later one that reuses its id: the id together with the start
// time the kernel keeps for it (clock ticks since boot).

#include <sys/types.h>

#include <cstdint>

struct SProcessIdentity {
    int32_t pid = 0;
    uint64_t startTicks = 0;
    bool operator==(const SProcessIdentity&) const = default;
};

SProcessIdentity CurrentProcessIdentity();
// The identity of the running process pid; pid 0 when there is none.
SProcessIdentity ProcessIdentityOf(pid_t pid);
// Whether that very process still runs (a zombie counts as ended).
bool IsProcessRunning(const SProcessIdentity& process);
