#pragma once
// The tray icon's warning animation as a plain state machine on a given clock: frames in turn
// every step, ending after the period (0: never). The tray drives it from a timer.

#include <cstdint>
#include <optional>
#include <vector>

#include "tray_icon.h"

class CTrayAnimation {
  public:
    void SetFrames(std::vector<ETrayIcon> frames) { m_frames = std::move(frames); }
    // False without frames. Restarts at frame 0; `shownIcon` is what to show again at the end.
    bool Start(uint32_t periodSeconds, int64_t nowMs, std::optional<ETrayIcon> shownIcon);
    // The frame to show now, or nullopt when not running or the period is over (then Stop()
    // gives the icon to show again).
    std::optional<ETrayIcon> Step(int64_t nowMs);
    // Stops; the icon shown before the animation, if any.
    std::optional<ETrayIcon> Stop();
    bool Running() const { return m_running; }

  private:
    std::vector<ETrayIcon> m_frames;
    bool m_running = false;
    size_t m_current = 0;
    int64_t m_startMs = 0;
    uint32_t m_period = 0;
    std::optional<ETrayIcon> m_saved;
};
