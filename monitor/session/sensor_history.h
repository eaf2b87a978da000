#pragma once
// What every sensor read over the whole run, in bounded memory: the last hour at every pass,
// and the last 24 hours in one-minute buckets (lowest, highest and mean). A sensor is known by
// its kind and name, so its history goes on when the item table is built again. A pass that did
// not read a sensor leaves a gap.
//
// Memory: per sensor at most 1800 points of 16 bytes and 1440 buckets of 32 bytes, about
// 73 KiB; the 18 items of a W83627EHF board hold at most about 1.3 MiB.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "pass_snapshot.h"

// One point of a graph: the value at `unixMs`, or over the minute from it (low..high, mean in
// `value`). `read` is false for a gap.
struct SHistoryPoint {
    int64_t unixMs = 0;
    float value = 0;
    float low = 0;
    float high = 0;
    bool read = false;
};

class CSensorHistory {
  public:
    static constexpr size_t FINE_POINTS = 1800;  // one hour at one pass every 2 s
    static constexpr int64_t BUCKET_MS = 60'000;
    static constexpr size_t BUCKETS = 1440;  // 24 hours
    static constexpr int64_t FINE_SPAN_MS = 3'600'000;

    // The key of an item: "Volt:+12V", "Temp:CPU", "Fan:CPUFAN1" (the page's kinds).
    static std::string KeyOf(const SItemSnapshot& item);

    // Takes every voltage, temperature and fan item of the pass; temperatures in Celsius.
    void Record(const SPassSnapshot& pass);
    // The points of the last `spanMs` before `nowMs`, oldest first: every pass up to an hour,
    // minute buckets beyond.
    std::vector<SHistoryPoint> Series(const std::string& key, int64_t spanMs, int64_t nowMs) const;
    bool Has(const std::string& key) const { return m_sensors.count(key) != 0; }
    size_t SensorCount() const { return m_sensors.size(); }
    // The bytes the points and buckets can take once full.
    size_t CapacityBytes() const;

  private:
    struct SFine {
        int64_t unixMs;
        float value;
        bool read;
    };
    struct SBucket {
        int64_t startMs;
        float low, high;
        double sum;
        uint32_t count;  // readings; 0: the minute had passes but no reading
    };
    template <typename T>
    struct SRing {
        std::vector<T> items;
        size_t head = 0;  // the oldest, once full
        void Push(const T& item, size_t capacity);
        size_t Size() const { return items.size(); }
        const T& At(size_t i) const { return items[(head + i) % items.size()]; }
        T& Last() { return items[(head + items.size() - 1) % items.size()]; }
    };
    struct SSensor {
        SRing<SFine> fine;
        SRing<SBucket> buckets;
    };

    void Add(SSensor& sensor, int64_t unixMs, bool read, float value);

    std::map<std::string, SSensor> m_sensors;
};
