#include "sim_hwmon_device.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "log.h"
#include "sim_board.h"
#include "w83627ehf_model.h"

// The chip's registers by the kernel's addresses, straight into the model: the board's lock is
// held for the whole sweep and the bank select register is never touched, so port clients see
// no difference.
class CSimHwmonDevice::CBoardRegisters : public IChipRegisterAccess {
  public:
    explicit CBoardRegisters(CW83627ehfModel& chip) : m_chip(chip) {}
    uint8_t Read(uint16_t reg) override { return m_chip.Read(ToReg(reg)); }
    void Write(uint16_t reg, uint8_t value) override { m_chip.Write(ToReg(reg), value); }

  private:
    static sim_ehf::SReg ToReg(uint16_t reg) {
        return {static_cast<uint8_t>(reg >> 8), static_cast<uint8_t>(reg & 0xFF)};
    }
    CW83627ehfModel& m_chip;
};

CSimHwmonDevice::CSimHwmonDevice(CSimBoard& board, const std::string& root)
    : m_board(board), m_tree(root), m_files(root) {}

CSimHwmonDevice::~CSimHwmonDevice() {
    Stop();
}

bool CSimHwmonDevice::Start(std::string* error) {
    std::lock_guard lock(m_mutex);
    if (!m_tree.Create(error))
        return false;
    m_board.AccessChip([this](CW83627ehfModel& chip) {
        CBoardRegisters registers(chip);
        m_driver.Probe(registers);
    });
    for (const auto& attribute : m_driver.Attributes()) {
        if (!m_tree.Render(attribute.name, *m_driver.Show(attribute.name), attribute.writable)) {
            *error = "cannot write the hwmon tree in " + m_tree.DeviceDir() + ": " +
                     std::strerror(errno);
            m_tree.Remove();
            return false;
        }
    }
    m_stopping = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CSimHwmonDevice::Stop() {
    {
        std::lock_guard lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopSignal.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard lock(m_mutex);
    m_tree.Remove();
}

void CSimHwmonDevice::Run() {
    std::unique_lock lock(m_stopMutex);
    while (!m_stopSignal.wait_for(lock, std::chrono::milliseconds(REFRESH_MS),
                                  [this] { return m_stopping; })) {
        lock.unlock();
        Refresh();
        lock.lock();
    }
}

void CSimHwmonDevice::Refresh() {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> taken;
    for (const auto& attribute : m_driver.Attributes()) {
        if (!attribute.writable)
            continue;
        const std::optional<std::string> text = m_tree.WrittenText(attribute.name);
        if (!text)
            continue;
        int result = 0;
        m_board.AccessChip([&](CW83627ehfModel& chip) {
            CBoardRegisters registers(chip);
            result = m_driver.Store(registers, attribute.name, *text);
        });
        if (result != 0) {
            // The kernel refuses such a write; the file shows the driver's value again.
            IodLog("hwmon tree: %s refused what was written to it: %s", attribute.name.c_str(),
                   std::strerror(result));
        }
        taken.push_back(attribute.name);
    }
    SweepAndRenderLocked();
    // Whatever was written there, the file now shows what the driver shows.
    for (const std::string& name : taken)
        m_tree.Render(name, *m_driver.Show(name), true, true);
}

void CSimHwmonDevice::SweepAndRenderLocked() {
    m_board.AccessChip([this](CW83627ehfModel& chip) {
        CBoardRegisters registers(chip);
        m_driver.Update(registers);
    });
    for (const auto& attribute : m_driver.Attributes()) {
        if (!m_tree.Render(attribute.name, *m_driver.Show(attribute.name), attribute.writable))
            IodLog("hwmon tree: cannot write %s: %s", attribute.name.c_str(), std::strerror(errno));
    }
}

int CSimHwmonDevice::Write(const std::string& attribute, const std::string& value) {
    std::lock_guard lock(m_mutex);
    // The file first, found and opened as on a real machine; then the driver takes the value.
    if (const int error = m_files.Write(attribute, value); error != 0)
        return error;
    int result = 0;
    m_board.AccessChip([&](CW83627ehfModel& chip) {
        CBoardRegisters registers(chip);
        result = m_driver.Store(registers, attribute, value);
    });
    if (result == 0)
        SweepAndRenderLocked();
    m_tree.Render(attribute, *m_driver.Show(attribute), true, true);
    return result;
}
