#pragma once
// Stand-ins for what the status page talks to, each keeping what it was told in order.

#include <map>
#include <string>
#include <vector>

#include "page_item.h"
#include "sensor_item_config.h"
#include "skin_face.h"
#include "tray_icon.h"
#include "warning_log.h"

// A sensor item as plain fields; counts the calls the page makes to change it.
struct CFakeItem : IPageItem {
    CFakeItem(std::string name, int32_t type, double value, double hi, double lo,
              bool alarm = false)
        : name(std::move(name)), type(type), value(value), hi(hi), lo(lo), alarm(alarm) {}

    const std::string& GetName() const override { return name; }
    int32_t GetItemType() const override { return type; }
    uint8_t GetCpuNo() const override { return cpuNo; }
    bool IsEnabled() const override { return enabled; }
    bool IsAlarm() const override { return alarm; }
    double GetValue() const override { return value; }
    void GetLimits(double* h, double* l) const override {
        *h = hi;
        *l = lo;
    }
    bool SetBeepBit(bool on) override {
        beepBitCalls.push_back(on);
        return true;
    }
    void SetEnabled(bool on) override { enabled = on; }

    std::string name;
    int32_t type;
    double value;
    double hi;
    double lo;
    bool alarm;
    bool enabled = true;
    uint8_t cpuNo = 1;
    std::vector<bool> beepBitCalls;
};

// The page as a list of calls: "id=html" for element changes, "!EVENT" for skin events.
class CRecordingFace : public ISkinFace {
  public:
    bool SetElementHtml(const std::string& id, const std::string& html) override {
        calls.push_back(id + "=" + html);
        elements[id] = html;
        return true;
    }
    bool RaiseSkinEvent(const std::string& name) override {
        calls.push_back("!" + name);
        events.push_back(name);
        return false;
    }
    // The changes of one element, in order.
    std::vector<std::string> Writes(const std::string& id) const {
        std::vector<std::string> out;
        for (const std::string& c : calls) {
            if (c.compare(0, id.size() + 1, id + "=") == 0) {
                out.push_back(c.substr(id.size() + 1));
            }
        }
        return out;
    }
    void Clear() {
        calls.clear();
        events.clear();
    }

    std::vector<std::string> calls;
    std::vector<std::string> events;
    std::map<std::string, std::string> elements;
};

class CRecordingTray : public ITrayIcon {
  public:
    bool Animate(unsigned stepMs, unsigned periodSeconds) override {
        calls.push_back("Animate(" + std::to_string(stepMs) + "," + std::to_string(periodSeconds) +
                        ")");
        return true;
    }
    void StopAnimation() override { calls.push_back("StopAnimation"); }
    bool SetIcon(int iconId) override {
        calls.push_back("SetIcon(" + std::to_string(iconId) + ")");
        return true;
    }
    void SetErrorLogFlag(bool on) override { calls.push_back(on ? "Record(on)" : "Record(off)"); }

    std::vector<std::string> calls;
};

class CRecordingLog : public IWarningLog {
  public:
    bool IsOn() const override { return on; }
    void LogWarning(const std::string& text, const std::vector<std::string>& names) override {
        texts.push_back(text);
        nameSets.push_back(names);
    }

    bool on = true;
    std::vector<std::string> texts;
    std::vector<std::vector<std::string>> nameSets;
};
