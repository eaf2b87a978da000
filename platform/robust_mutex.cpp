#include "robust_mutex.h"

#include <cerrno>
#include <ctime>

namespace {

constexpr long CANCEL_CHECK_MS = 100;

timespec MonotonicAfter(long ms) {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    t.tv_sec += ms / 1000;
    t.tv_nsec += (ms % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_sec += 1;
        t.tv_nsec -= 1000000000L;
    }
    return t;
}

bool Before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// One attempt to take the mutex until `until` (null: no limit).
EWaitResult LockUntil(pthread_mutex_t* mutex, const timespec* until) {
    const int r =
        until ? pthread_mutex_clocklock(mutex, CLOCK_MONOTONIC, until) : pthread_mutex_lock(mutex);
    switch (r) {
        case 0:
            return EWaitResult::SIGNALED;
        case EOWNERDEAD:
            // The dead owner's work may be half done; the caller is told and carries on.
            pthread_mutex_consistent(mutex);
            return EWaitResult::ABANDONED;
        case ETIMEDOUT:
            return EWaitResult::TIMEOUT;
        default:
            return EWaitResult::FAILED;
    }
}

}  // namespace

bool InitRobustMutex(pthread_mutex_t* mutex) {
    pthread_mutexattr_t attr;
    if (pthread_mutexattr_init(&attr) != 0)
        return false;
    const bool ok = pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED) == 0 &&
                    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST) == 0 &&
                    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE) == 0 &&
                    pthread_mutex_init(mutex, &attr) == 0;
    pthread_mutexattr_destroy(&attr);
    return ok;
}

EWaitResult LockRobustMutex(pthread_mutex_t* mutex, int timeoutMs,
                            const std::atomic<bool>* cancel) {
    if (!cancel) {
        if (timeoutMs < 0)
            return LockUntil(mutex, nullptr);
        const timespec until = MonotonicAfter(timeoutMs);
        return LockUntil(mutex, &until);
    }
    const timespec deadline = MonotonicAfter(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        if (cancel->load())
            return EWaitResult::INTERRUPTED;
        timespec slice = MonotonicAfter(CANCEL_CHECK_MS);
        const bool last = timeoutMs >= 0 && !Before(slice, deadline);
        if (last)
            slice = deadline;
        const EWaitResult r = LockUntil(mutex, &slice);
        if (r != EWaitResult::TIMEOUT || last)
            return r;
    }
}

bool UnlockRobustMutex(pthread_mutex_t* mutex) {
    return pthread_mutex_unlock(mutex) == 0;
}
