#include "notice_decider.h"

#include <algorithm>

#include "snapshot_text.h"

namespace {

// "CPU: 75 °C, limit 70 °C" / "VCORE: 1.75 V, limits 1.20V ~ 1.50V".
std::string ReadingLine(const SItemSnapshot& item, bool celsius) {
    const SItemTexts texts = ItemTexts(item, celsius);
    return item.name + ": " + WithoutLeadingBlanks(texts.value) +
           (item.type == ITEM_VOLTAGE ? ", limits " : ", limit ") +
           WithoutLeadingBlanks(texts.limit);
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

std::string Count(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::vector<SDesktopNotice> CNoticeDecider::Decide(const SPassSnapshot& pass) {
    std::vector<SDesktopNotice> out;
    DecideAlarm(pass, &out);
    DecideReadings(pass, &out);
    DecidePowerOff(pass, &out);
    return out;
}

void CNoticeDecider::DecideAlarm(const SPassSnapshot& pass, std::vector<SDesktopNotice>* out) {
    // Alarm flags that were not read in this pass say nothing new.
    if (!pass.chipAnswered || !pass.statusRead)
        return;
    const std::vector<const SItemSnapshot*> alarms = pass.ItemsInAlarm();
    std::vector<const SItemSnapshot*> fresh;
    for (const SItemSnapshot* item : alarms)
        if (m_announced.insert(item->itemNo).second)
            fresh.push_back(item);
    if (!alarms.empty())
        m_alarmCalmSince = -1;
    if (!fresh.empty()) {
        // Every sensor in warning, the newly announced first.
        std::vector<std::string> lines;
        for (const SItemSnapshot* item : fresh)
            lines.push_back(ReadingLine(*item, pass.celsius));
        for (const SItemSnapshot* item : alarms)
            if (std::find(fresh.begin(), fresh.end(), item) == fresh.end())
                lines.push_back(ReadingLine(*item, pass.celsius));
        // One sensor newly in warning is named; several are counted with the ones already in.
        const std::string summary = fresh.size() == 1
                                        ? fresh.front()->name + " in warning"
                                        : Count(alarms.size(), "sensor", "sensors") + " in warning";
        out->push_back({ENoticeSlot::Alarm, false, summary, Lines(lines), ENoticeUrgency::Normal});
        return;
    }
    if (!alarms.empty() || m_announced.empty())
        return;
    if (m_alarmCalmSince < 0)
        m_alarmCalmSince = pass.unixTimeMs;
    if (pass.unixTimeMs - m_alarmCalmSince < CALM_MS)
        return;
    m_announced.clear();
    m_alarmCalmSince = -1;
    out->push_back({ENoticeSlot::Alarm, false, "All sensors back to normal",
                    "No sensor is in warning any more.", ENoticeUrgency::Low});
}

void CNoticeDecider::DecideReadings(const SPassSnapshot& pass, std::vector<SDesktopNotice>* out) {
    const EReadings state = !pass.chipAnswered      ? EReadings::None
                            : pass.StaleCount() > 0 ? EReadings::Stale
                                                    : EReadings::Fresh;
    if (state != EReadings::Fresh) {
        m_freshSince = -1;
        ++m_badPasses;
        if (m_badPasses < BAD_PASSES || state <= m_readingsAnnounced)
            return;
        m_readingsAnnounced = state;
        if (state == EReadings::None) {
            out->push_back({ENoticeSlot::Readings, false, "No readings",
                            "The chip does not answer: the values shown are old or missing.",
                            ENoticeUrgency::Normal});
            return;
        }
        std::string names;
        for (const SItemSnapshot& item : pass.items)
            if (item.stale)
                names += (names.empty() ? "" : ", ") + item.name;
        out->push_back({ENoticeSlot::Readings, false, "Stale readings",
                        Count(pass.StaleCount(), "sensor was", "sensors were") +
                            " not read; the values shown are older: " + names + ".",
                        ENoticeUrgency::Normal});
        return;
    }
    m_badPasses = 0;
    if (m_readingsAnnounced == EReadings::Fresh)
        return;
    if (m_freshSince < 0)
        m_freshSince = pass.unixTimeMs;
    if (pass.unixTimeMs - m_freshSince < CALM_MS)
        return;
    m_readingsAnnounced = EReadings::Fresh;
    m_freshSince = -1;
    out->push_back({ENoticeSlot::Readings, false, "Readings are back",
                    "Every sensor is read again.", ENoticeUrgency::Low});
}

void CNoticeDecider::DecidePowerOff(const SPassSnapshot& pass, std::vector<SDesktopNotice>* out) {
    const SItemSnapshot* first = nullptr;
    for (const SItemSnapshot& item : pass.items)
        if (item.powerOffIn >= 0 && (first == nullptr || item.powerOffIn < first->powerOffIn))
            first = &item;
    if (first == nullptr) {
        if (m_countdownShown >= 0)
            out->push_back({ENoticeSlot::PowerOff, true, "", "", ENoticeUrgency::Critical});
        m_countdownShown = -1;
        return;
    }
    if (first->powerOffIn == m_countdownShown)
        return;
    m_countdownShown = first->powerOffIn;
    const std::string summary = first->powerOffIn == 0
                                    ? "Power-off requested"
                                    : "Power-off in " + std::to_string(first->powerOffIn) + " s";
    const std::string body =
        ReadingLine(*first, pass.celsius) +
        (first->powerOffIn == 0
             ? "\nThe computer is being switched off."
             : "\nThe computer is switched off unless the reading returns within its limit.");
    out->push_back({ENoticeSlot::PowerOff, false, summary, body, ENoticeUrgency::Critical});
}
