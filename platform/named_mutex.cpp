#include "named_mutex.h"

#include <pthread.h>

#include "robust_mutex.h"

namespace {

constexpr size_t SEGMENT_SIZE = 4096;
static_assert(sizeof(pthread_mutex_t) <= SEGMENT_SIZE);

}  // namespace

bool CNamedMutex::Open(const std::string& dir, const std::string& name) {
    return m_segment.Attach(dir, name, SEGMENT_SIZE, [](void* data) {
        return InitRobustMutex(static_cast<pthread_mutex_t*>(data));
    });
}

EWaitResult CNamedMutex::Wait(int timeoutMs, const std::atomic<bool>* cancel) {
    if (!IsOpen())
        return EWaitResult::FAILED;
    return LockRobustMutex(static_cast<pthread_mutex_t*>(m_segment.Data()), timeoutMs, cancel);
}

bool CNamedMutex::Release() {
    return IsOpen() && UnlockRobustMutex(static_cast<pthread_mutex_t*>(m_segment.Data()));
}
