#pragma once
// One monitoring pass as one line of JSON:
//   {"items":[{"itemNo":1,"name":"CPU Core","type":"voltage","pin":"VCORE","enabled":true,
//   "alarm":false,"beepEnable":true,"shutdownEnable":false,"value":1.5,"hiLimit":1.6,
//   "loLimit":1.2}, ...],"globalBeep":true}
// Values in volts, degrees Celsius and rpm; a value that is not a finite number is null. Type is
// "voltage", "temperature", "fan", or "other" for a type no operation handles.

#include <string>
#include <string_view>

class CMonitorEngine;
class CSensorItem;

// Fields a front end adds: after each item's own fields, and after "globalBeep". Each text is
// empty or starts with ",".
class IJsonExtra {
  public:
    virtual ~IJsonExtra() = default;
    virtual std::string ItemFields(const CSensorItem& item) const = 0;
    virtual std::string ReportFields() const = 0;
};

std::string JsonReport(const CMonitorEngine& engine, const IJsonExtra* extra = nullptr);

// A JSON string literal, quotes included; invalid UTF-8 becomes U+FFFD.
std::string JsonString(std::string_view text);
// The shortest text that reads back as the same double; "null" when not finite.
std::string JsonNumber(double value);
