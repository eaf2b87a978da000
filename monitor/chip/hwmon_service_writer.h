#pragma once
// The monitor's hwmon writer: each write is one IOCTL_HWMON_WRITE request to vorn-iod, which
// checks the name against its allow-list and writes the attribute as root.
//
// The monitor links only the 30 exports of libvorn-io.so, so this talks to the service's
// socket itself, through the same client channel the library is built on (the static
// vornio_channel library: the socket's frames, the answer time-outs, reconnecting after a
// service restart) and the request record from vornio_wire (hwmon_write_record.h). Nothing of
// either is exported from libvorn-io.so.

#include <memory>
#include <mutex>
#include <string>

#include "hwmon_writer.h"

class CDeviceChannel;

class CHwmonServiceWriter : public IHwmonWriter {
  public:
    // runtimeDir: the service's runtime directory; empty: $VORNIO_RUNTIME_DIR, else /run/vorn-io.
    explicit CHwmonServiceWriter(std::string runtimeDir = "");
    ~CHwmonServiceWriter() override;

    bool Write(const std::string& attribute, const std::string& value, std::string* error) override;

  private:
    std::string m_socketPath;
    std::mutex m_mutex;
    std::unique_ptr<CDeviceChannel> m_channel;
};
