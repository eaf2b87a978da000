#pragma once
// The outcome of waiting on a cross-process object (mutex or event).

enum class EWaitResult {
    SIGNALED,     // the object was signalled; for a mutex: the caller owns it now
    ABANDONED,    // mutex only: its owner died holding it; the caller owns it now
    TIMEOUT,      // the time ran out first
    INTERRUPTED,  // the caller's cancel request came first
    FAILED,       // the object is not usable
};

inline constexpr int WAIT_INFINITE = -1;
