#pragma once
// Which way the monitor reaches the chip. With the kernel's own driver for the chip loaded, the
// kernel owns the chip's ports: the monitor then goes through that driver's hwmon attributes
// and makes no raw port access at all. Without it, the chip's registers are reached through
// the port-I/O library and its driver service. The choice is made once, at start: by itself
// ("auto"), or forced by the command line or the settings key.

#include <memory>
#include <string>

#include "chip_ops.h"
#include "hwmon_writer.h"
#include "port_io.h"

enum class EChipPathMode { Auto, Kernel, Raw };

// "auto", "kernel" or "raw"; false for anything else.
bool ParseChipPathMode(const std::string& text, EChipPathMode* mode);

// The way the user's setting ChipPath forces, a text as ParseChipPathMode takes. Auto when it is
// missing; *problem says so when it holds anything else.
EChipPathMode StoredChipPathMode(std::string* problem);

class CChipPath {
  public:
    // The way for `mode`: the kernel's when its device is present (kernel and auto), else raw
    // ports over `io` (raw and auto). Null with *error set when the kernel's way is forced and
    // the machine has no such device. `io` must outlive the object.
    static std::unique_ptr<CChipPath> Choose(EChipPathMode mode, IPortIo& io, std::string* error);
    // Raw ports over `io`, chosen by nobody: the way of a session given only a port.
    static std::unique_ptr<CChipPath> Raw(IPortIo& io);
    // The kernel's device in `deviceDir`, writing through `writer` (which the object owns).
    static std::unique_ptr<CChipPath> Kernel(const std::string& deviceDir,
                                             std::unique_ptr<IHwmonWriter> writer);

    IChipAccess& Access() { return *m_access; }
    bool IsKernel() const { return m_kernel; }
    // "kernel" or "raw": the label of JSON and metrics.
    const char* Label() const { return m_kernel ? "kernel" : "raw"; }
    // For the console's banner: "kernel driver w83627ehf" or "raw ports (vorn-iod)".
    std::string Description() const;
    // Said to the user once, when the way lacks what the settings may ask for; "" when nothing.
    std::string Notice() const;

  private:
    CChipPath() = default;
    bool m_kernel = false;
    std::unique_ptr<IHwmonWriter> m_writer;
    std::unique_ptr<IChipAccess> m_access;
};
