#pragma once
// Which desktop notifications a pass calls for, decided from its snapshot alone. A notification
// lives in one of three slots (the sensors' alarms, the readings, the power-off countdown); a new
// one replaces the slot's last in place, so the desktop shows at most one of each.
//
// Coalescing, so a flapping sensor or a pass of many changes is never a storm:
// - one pass gives at most one notification per slot, naming everything that slot has to say
//   (a warning lists every sensor in warning, the newly announced first);
// - a sensor is announced in warning once; it is announced again only after "back to normal"
//   was, and that needs every sensor out of warning for CALM_MS without a break;
// - readings that stop are announced once they stay stopped (or stale) for BAD_PASSES passes,
//   again only when they get worse (stale to none), and "back" after CALM_MS of fresh ones;
// - the countdown is replaced whenever its seconds change and withdrawn when it is cancelled.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "pass_snapshot.h"

enum class ENoticeSlot { Alarm, Readings, PowerOff };

// The desktop's urgency levels, by their numbers.
enum class ENoticeUrgency : uint8_t { Low = 0, Normal = 1, Critical = 2 };

struct SDesktopNotice {
    ENoticeSlot slot = ENoticeSlot::Alarm;
    bool withdraw = false;  // take the slot's notification away; the texts are empty
    std::string summary;
    std::string body;
    ENoticeUrgency urgency = ENoticeUrgency::Normal;

    bool operator==(const SDesktopNotice&) const = default;
};

class CNoticeDecider {
  public:
    static constexpr int64_t CALM_MS = 30000;
    static constexpr int BAD_PASSES = 2;

    // The notifications this pass calls for, in slot order.
    std::vector<SDesktopNotice> Decide(const SPassSnapshot& pass);

  private:
    enum class EReadings { Fresh, Stale, None };

    void DecideAlarm(const SPassSnapshot& pass, std::vector<SDesktopNotice>* out);
    void DecideReadings(const SPassSnapshot& pass, std::vector<SDesktopNotice>* out);
    void DecidePowerOff(const SPassSnapshot& pass, std::vector<SDesktopNotice>* out);

    std::set<int32_t> m_announced;  // items announced in warning since the last "back to normal"
    int64_t m_alarmCalmSince = -1;
    EReadings m_readingsAnnounced = EReadings::Fresh;
    int m_badPasses = 0;
    int64_t m_freshSince = -1;
    int m_countdownShown = -1;
};
