#pragma once
// Stand-ins for what the status page talks to, each keeping what it was told in order.

#include <map>
#include <string>
#include <vector>

#include "sensor_item_config.h"
#include "skin_face.h"
#include "tray_icon.h"
#include "warning_log.h"

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
    bool SetIcon(ETrayIcon icon) override {
        calls.push_back(icon == ETrayIcon::Normal ? "SetIcon(normal)" : "SetIcon(warning)");
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
