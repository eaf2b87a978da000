#pragma once
// A mutex placed in memory shared between processes that survives the death of its owner: the
// next thread to lock it after the owner died is told so (ABANDONED), owns it from then on, and
// the mutex stays usable. The owning thread may lock it again (each lock needs its release)
// and only the owner can release it.

#include <pthread.h>

#include <atomic>

#include "wait_result.h"

// Initialises the mutex in place; run once by the process that creates the shared memory.
bool InitRobustMutex(pthread_mutex_t* mutex);

// Waits up to timeoutMs (WAIT_INFINITE for no limit). A set *cancel (checked about every 100 ms
// when given) ends the wait with INTERRUPTED.
EWaitResult LockRobustMutex(pthread_mutex_t* mutex, int timeoutMs,
                            const std::atomic<bool>* cancel = nullptr);

// False when the calling thread does not own the mutex.
bool UnlockRobustMutex(pthread_mutex_t* mutex);
