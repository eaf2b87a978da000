#pragma once
// The simulated board seen through the simulated kernel driver: the driver's sysfs tree below a
// root, refreshed from the chip about once a second on a thread of its own. Writes reach the
// chip two ways, both through the driver's store rules: a file of the tree written by anyone
// (picked up at the next refresh), and vorn-iod's hwmon write request, which writes the file
// the way it would on a real machine and has the driver take it at once, so the client gets
// the kernel's answer.

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "ehf_hwmon_driver.h"
#include "hwmon_attribute_writer.h"
#include "hwmon_sysfs_writer.h"
#include "hwmon_tree.h"

class CSimBoard;

class CSimHwmonDevice : public IHwmonAttributeWriter {
  public:
    static constexpr int REFRESH_MS = 1000;

    CSimHwmonDevice(CSimBoard& board, const std::string& root);
    ~CSimHwmonDevice() override;

    // Probes the chip, lays out the tree with its first values and starts the refreshes.
    bool Start(std::string* error);
    // Stops the refreshes and takes the tree away.
    void Stop();

    // One refresh: writes found in the tree go to the chip, then a sweep and a render.
    void Refresh();

    int Write(const std::string& attribute, const std::string& value) override;

  private:
    class CBoardRegisters;

    void SweepAndRenderLocked();
    void Run();

    CSimBoard& m_board;
    CHwmonTree m_tree;
    CHwmonSysfsWriter m_files;
    CEhfHwmonDriver m_driver;
    std::mutex m_mutex;  // the driver's cache and the tree
    std::mutex m_stopMutex;
    std::condition_variable m_stopSignal;
    bool m_stopping = false;
    std::thread m_thread;
};
