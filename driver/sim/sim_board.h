#pragma once
// The simulated board behind `vorn-iod --backend sim`: a W83627EHF hardware monitor on the
// index/data pair 0x295/0x296, the GX4410 microcontroller's mailbox at 0xE4/0xE0, a few MSRs,
// fault injection, and the text commands of vornsim.
//
// Port space:
//   0x295  index register: a write latches the register number, a read returns it.
//   0x296  data register: reads and writes the latched register in the bank chosen by 0x4E.
//   Other ports are not decoded: reads give all ones (0xFF per byte), writes are accepted and
//   dropped, as on an ISA bus with nothing behind the address.
//   A 2- or 4-byte access is split into byte accesses at consecutive ports, low byte first, the
//   way the bus splits it for an 8-bit device: a word write at 0x295 latches the index from the
//   low byte and writes the high byte to that register; a word read at 0x295 returns the index
//   in the low byte and the register in the high byte. A 4-byte access also covers 0x297/0x298.
//
// Every public method is safe to call from more than one thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "backend.h"
#include "sim_control.h"

class CBoardPhysics;
class CChipPortDevice;
class CFaultInjector;
class CGx4410Model;
class CMsrBank;
class CPortMap;
class CSimCommands;
class CW83627ehfModel;
struct SBoardDescription;

class CSimBoard : public IDriverBackend, public ISimControl {
  public:
    // Loads a board description file; nullptr and *error set on a bad file.
    static std::unique_ptr<CSimBoard> Load(const std::string& boardFile, std::string* error);
    // Same from text already in memory; origin names it in error messages.
    static std::unique_ptr<CSimBoard> FromText(std::string_view text, const std::string& origin,
                                               std::string* error);
    ~CSimBoard() override;

    // Deterministic runs: seed of the drift/fault RNG; drift can be switched off.
    void SetSeed(uint64_t seed);
    void SetDrift(bool on);
    // Time source (monotonic seconds) so the thermal model and drift advance with real time in
    // the service and with a fake clock in tests. The default is CLOCK_MONOTONIC.
    void SetClock(std::function<double()> now);

    bool ReadPort(uint16_t port, uint8_t size, uint32_t* value) override;
    bool WritePort(uint16_t port, uint8_t size, uint32_t value) override;
    bool ReadMsr(uint32_t msr, uint64_t* value) override;
    bool WriteMsr(uint32_t msr, uint64_t value) override;
    // `vornsim interrupt` signals through the sink.
    void SetInterruptSink(IInterruptSink* sink) override;

    // Commands: status, get, set, release, fault, beeping, help (see sim_commands.h).
    std::string Execute(std::string_view line) override;

    // True when an input in alarm has its beep bit set and global beep is on.
    bool IsBeeping();

    // Runs fn on the chip, brought up to the present, under the board's lock: one whole access
    // that no port request interleaves with. The simulated kernel driver reaches the chip so.
    void AccessChip(const std::function<void(CW83627ehfModel&)>& fn);

  private:
    explicit CSimBoard(const SBoardDescription& board);
    // Runs the board's models up to the clock's present time. Caller holds m_mutex.
    void AdvanceLocked();
    double ElapsedLocked() const;

    std::mutex m_mutex;
    std::function<double()> m_clock;
    double m_start = 0.0;  // clock reading at simulated time 0
    std::unique_ptr<CW83627ehfModel> m_chip;
    std::unique_ptr<CBoardPhysics> m_physics;
    std::unique_ptr<CFaultInjector> m_faults;
    std::unique_ptr<CMsrBank> m_msrs;
    std::unique_ptr<CChipPortDevice> m_chipPorts;
    std::unique_ptr<CGx4410Model> m_mcu;
    std::unique_ptr<CPortMap> m_ports;
    std::unique_ptr<CSimCommands> m_commands;
};
