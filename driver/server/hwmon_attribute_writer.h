#pragma once
// Where vorn-iod's hwmon write request ends: an attribute of the chip's kernel hwmon device.

#include <string>

class IHwmonAttributeWriter {
  public:
    virtual ~IHwmonAttributeWriter() = default;
    // attribute and value have passed the allow-list. 0 when written, else the errno the
    // write met (ENODEV: no such device).
    virtual int Write(const std::string& attribute, const std::string& value) = 0;
};
