#pragma once
// Writes one attribute of the hwmon device named "w83627ehf" below a sysfs root. The device is
// looked up for every write (a reloaded driver gets a new hwmonN), its directory resolved once,
// and the attribute opened below that directory without following a link, so nothing but a
// file of that device is ever written.

#include <optional>
#include <string>

#include "hwmon_attribute_writer.h"

class CHwmonSysfsWriter : public IHwmonAttributeWriter {
  public:
    static constexpr const char* DEVICE_NAME = "w83627ehf";

    explicit CHwmonSysfsWriter(std::string sysfsRoot) : m_sysfsRoot(std::move(sysfsRoot)) {}

    int Write(const std::string& attribute, const std::string& value) override;

    // The resolved directory of the device (its hwmonN under devices/ on a real machine);
    // nullopt when there is none.
    std::optional<std::string> FindDevice() const;

  private:
    std::string m_sysfsRoot;
};
