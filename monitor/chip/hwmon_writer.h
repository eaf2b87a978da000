// monitor/chip/hwmon_writer.h
#pragma once
// Writes one attribute of the chip's kernel hwmon device. Reading is done directly (attributes are
// world-readable); writing needs root, so it goes through the driver service.
#include <string>
class IHwmonWriter {
  public:
    virtual ~IHwmonWriter() = default;
    // attribute: a bare attribute name such as "in0_min"; value: its decimal text.
    // false with *error set (a short text for the user) when the write was refused or failed.
    virtual bool Write(const std::string& attribute, const std::string& value,
                       std::string* error) = 0;
};
