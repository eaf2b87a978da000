#include "tray_animation.h"

bool CTrayAnimation::Start(uint32_t periodSeconds, int64_t nowMs,
                           std::optional<ETrayIcon> shownIcon) {
    if (m_frames.empty())
        return false;
    Stop();
    m_running = true;
    m_current = 0;
    m_startMs = nowMs;
    m_period = periodSeconds;
    m_saved = shownIcon;
    return true;
}

std::optional<ETrayIcon> CTrayAnimation::Step(int64_t nowMs) {
    if (!m_running || m_frames.empty())
        return std::nullopt;
    // Whole seconds, rounded to the nearest.
    const int64_t spanMs = nowMs - m_startMs;
    const int64_t elapsed = (spanMs >= 0 ? spanMs + 500 : spanMs - 500) / 1000;
    if (m_period != 0 && static_cast<uint64_t>(elapsed) > m_period)
        return std::nullopt;
    m_current = (m_current + 1) % m_frames.size();
    return m_frames[m_current];
}

std::optional<ETrayIcon> CTrayAnimation::Stop() {
    m_running = false;
    std::optional<ETrayIcon> saved = m_saved;
    m_saved.reset();
    return saved;
}
