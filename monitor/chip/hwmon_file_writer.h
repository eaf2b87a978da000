#pragma once
// Writes a hwmon attribute straight into its file in the device's directory: enough where the
// files are the user's own (a simulated device tree) or the program runs as root.

#include "hwmon_writer.h"

class CHwmonFileWriter : public IHwmonWriter {
  public:
    explicit CHwmonFileWriter(std::string deviceDir) : m_deviceDir(std::move(deviceDir)) {}
    bool Write(const std::string& attribute, const std::string& value, std::string* error) override;

  private:
    std::string m_deviceDir;
};
