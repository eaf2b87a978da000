#pragma once
// What one monitoring pass saw, frozen. Every face of the monitor (the console table, the JSON
// line, the metrics, the window) shows a pass from its snapshot alone, never from the live items
// or from the page, so what they show agrees and can be read from another thread while the next
// pass runs.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "monitor_engine.h"

struct SItemSnapshot {
    int32_t itemNo = 0;
    std::string name;
    int32_t type = 0;  // ITEM_VOLTAGE, ITEM_TEMPERATURE, ITEM_FAN; another type is shown nowhere
    std::string pin;
    // Where the value comes from, as the kernel names it: the hwmon device's name ("nct6798",
    // "coretemp"; "w83627ehf" for the chip's own pins), its stable identity ("" for the chip's
    // pins) and the channel ("temp1", "in0", "fan2"; "" for a pin with none).
    std::string device;
    std::string deviceId;
    std::string sensor;
    std::string unit;  // "V", "°C" or "rpm" (the unit of value and limits); "" for other types
    double value = 0;  // the last value read; meaningless while lastReadUnixMs is 0
    double hiLimit = 0;
    double loLimit = 0;
    bool enabled = false;
    bool available = true;  // false: an item of a second processor this machine does not have
    bool bound = true;      // false: its pin is not one of the chip's, so it is never read
    bool alarm = false;     // the chip's status bit (a hwmon sensor's own alarm), as last read
    bool beepEnable = false;
    bool shutdownEnable = false;
    int powerOffIn = -1;  // whole seconds left before the power-off request; 0 due; -1 none runs
    bool stale = false;   // enabled, and this pass did not read both its value and its alarm
    int64_t lastReadUnixMs = 0;  // when its value was last read; 0 never

    bool EverRead() const { return lastReadUnixMs != 0; }
};

// Since the monitor started.
struct SPassCounts {
    uint64_t passes = 0;
    uint64_t passesWithoutChip = 0;  // passes in which the chip answered nothing
    uint64_t statusReadFailures = 0;
    uint64_t itemReadFailures = 0;  // enabled items whose value a pass could not read
    uint64_t engineStarts = 0;      // start-ups of the engine, retries included
};

struct SPassSnapshot {
    uint64_t pass = 0;               // 1 for the first pass
    bool itemsNew = false;           // the table is new: the first pass of a started engine
    int64_t unixTimeMs = 0;          // when the pass began
    int64_t durationNs = 0;          // the pass and the page update (the first: the page's start)
    bool serviceBusy = false;        // the driver service had no room for this client
    bool chipAnswered = false;       // the status or at least one value was read in this pass
    bool statusRead = false;         // the alarm flags are this pass's
    std::optional<bool> globalBeep;  // unknown until settings reached the chip
    bool celsius = true;             // the unit the page showed temperatures in at this pass
    std::string chipPath = "raw";    // the way to the chip: "kernel" (its hwmon driver) or "raw"
    bool beepOffered = true;         // the way has the chip's beeper (the kernel's has not)
    EStartProblem startProblem = EStartProblem::None;
    std::string boardFile;    // the board file the items came from; "" before it was looked for
    bool hwmonItems = false;  // the items are the machine's hwmon sensors: there was no board file
    std::string hwmonDir;     // where hwmon devices were looked for ("/sys/class/hwmon")
    bool chipUsed = true;     // an item reads the chip (its status bytes give the alarms)
    std::vector<SItemSnapshot> items;            // table order
    std::vector<std::string> boardFileProblems;  // each naming the file, section and key
    std::vector<std::string> settingsNotices;    // what was said of the settings file so far
    SPassCounts counts;

    // Enabled and available items in alarm, in table order.
    std::vector<const SItemSnapshot*> ItemsInAlarm() const;
    size_t StaleCount() const;
};
