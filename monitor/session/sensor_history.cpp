#include "sensor_history.h"

#include "monitor_engine.h"

template <typename T>
void CSensorHistory::SRing<T>::Push(const T& item, size_t capacity) {
    if (items.size() < capacity) {
        items.push_back(item);
        return;
    }
    items[head] = item;
    head = (head + 1) % items.size();
}

std::string CSensorHistory::KeyOf(const SItemSnapshot& item) {
    switch (item.type) {
        case ITEM_VOLTAGE:
            return "Volt:" + item.name;
        case ITEM_TEMPERATURE:
            return "Temp:" + item.name;
        case ITEM_FAN:
            return "Fan:" + item.name;
        default:
            return std::string();
    }
}

void CSensorHistory::Record(const SPassSnapshot& pass) {
    for (const SItemSnapshot& item : pass.items) {
        const std::string key = KeyOf(item);
        if (key.empty())
            continue;
        const bool read =
            item.enabled && item.available && item.bound && !item.stale && item.EverRead();
        Add(m_sensors[key], pass.unixTimeMs, read, static_cast<float>(item.value));
    }
}

void CSensorHistory::Add(SSensor& sensor, int64_t unixMs, bool read, float value) {
    sensor.fine.Push({unixMs, value, read}, FINE_POINTS);
    const int64_t start = unixMs - unixMs % BUCKET_MS;
    if (sensor.buckets.Size() == 0 || sensor.buckets.Last().startMs != start)
        sensor.buckets.Push({start, value, value, 0, 0}, BUCKETS);
    SBucket& b = sensor.buckets.Last();
    if (!read)
        return;
    if (b.count == 0 || value < b.low)
        b.low = value;
    if (b.count == 0 || value > b.high)
        b.high = value;
    b.sum += value;
    ++b.count;
}

std::vector<SHistoryPoint> CSensorHistory::Series(const std::string& key, int64_t spanMs,
                                                  int64_t nowMs) const {
    std::vector<SHistoryPoint> out;
    const auto found = m_sensors.find(key);
    if (found == m_sensors.end())
        return out;
    const SSensor& s = found->second;
    const int64_t from = nowMs - spanMs;
    if (spanMs <= FINE_SPAN_MS) {
        for (size_t i = 0; i < s.fine.Size(); ++i) {
            const SFine& p = s.fine.At(i);
            if (p.unixMs >= from && p.unixMs <= nowMs)
                out.push_back({p.unixMs, p.value, p.value, p.value, p.read});
        }
        return out;
    }
    for (size_t i = 0; i < s.buckets.Size(); ++i) {
        const SBucket& b = s.buckets.At(i);
        if (b.startMs + BUCKET_MS <= from || b.startMs > nowMs)
            continue;
        const float mean = b.count ? static_cast<float>(b.sum / b.count) : 0.0f;
        out.push_back({b.startMs, mean, b.low, b.high, b.count != 0});
    }
    return out;
}

size_t CSensorHistory::CapacityBytes() const {
    return m_sensors.size() * (FINE_POINTS * sizeof(SFine) + BUCKETS * sizeof(SBucket));
}
