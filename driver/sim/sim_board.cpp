#include "sim_board.h"

#include <ctime>
#include <exception>

#include "bios_setup.h"
#include "board_file.h"
#include "board_physics.h"
#include "chip_port_device.h"
#include "fault_injector.h"
#include "gx4410_model.h"
#include "msr_bank.h"
#include "port_map.h"
#include "sim_commands.h"
#include "w83627ehf_model.h"

namespace {

double MonotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

const int CPU_TEMPERATURE_PIN = *sim_ehf::FindPin("CPUTEMPERATURE");

}  // namespace

std::unique_ptr<CSimBoard> CSimBoard::Load(const std::string& boardFile, std::string* error) {
    try {
        const std::optional<SBoardDescription> board = CBoardFile::Load(boardFile, error);
        if (!board)
            return nullptr;
        return std::unique_ptr<CSimBoard>(new CSimBoard(*board));
    } catch (const std::exception& e) {
        if (error)
            *error = boardFile + ": " + e.what();
        return nullptr;
    }
}

std::unique_ptr<CSimBoard> CSimBoard::FromText(std::string_view text, const std::string& origin,
                                               std::string* error) {
    try {
        const std::optional<SBoardDescription> board = CBoardFile::Parse(text, origin, error);
        if (!board)
            return nullptr;
        return std::unique_ptr<CSimBoard>(new CSimBoard(*board));
    } catch (const std::exception& e) {
        if (error)
            *error = origin + ": " + e.what();
        return nullptr;
    }
}

CSimBoard::CSimBoard(const SBoardDescription& board)
    : m_clock(MonotonicSeconds), m_chip(std::make_unique<CW83627ehfModel>()) {
    ApplyBiosSetup(board, *m_chip);
    m_physics = std::make_unique<CBoardPhysics>(board, *m_chip);
    m_faults = std::make_unique<CFaultInjector>();
    m_faults->SetSeed(m_physics->Seed());
    m_msrs = std::make_unique<CMsrBank>();
    m_chipPorts = std::make_unique<CChipPortDevice>(*m_chip);
    m_ports = std::make_unique<CPortMap>();
    m_ports->Attach(m_chipPorts.get());
    m_mcu = std::make_unique<CGx4410Model>();
    m_ports->Attach(m_mcu.get());
    m_commands =
        std::make_unique<CSimCommands>(*m_chip, *m_physics, *m_faults, *m_chipPorts, *m_mcu);
    m_start = m_clock();
}

CSimBoard::~CSimBoard() = default;

void CSimBoard::SetSeed(uint64_t seed) {
    std::lock_guard lock(m_mutex);
    m_physics->SetSeed(seed);
    m_faults->SetSeed(seed);
}

void CSimBoard::SetDrift(bool on) {
    std::lock_guard lock(m_mutex);
    m_physics->SetDrift(on);
}

void CSimBoard::SetClock(std::function<double()> now) {
    std::lock_guard lock(m_mutex);
    m_clock = now ? std::move(now) : std::function<double()>(MonotonicSeconds);
    // Simulated time carries on from where it stands under the new clock.
    m_start = m_clock() - m_physics->Time();
}

double CSimBoard::ElapsedLocked() const {
    return m_clock() - m_start;
}

void CSimBoard::AdvanceLocked() {
    m_physics->AdvanceTo(ElapsedLocked());
}

bool CSimBoard::ReadPort(uint16_t port, uint8_t size, uint32_t* value) {
    if (!value || !CPortMap::ValidSize(size))
        return false;
    std::lock_guard lock(m_mutex);
    AdvanceLocked();
    if (m_faults->ShouldFail(port, size, false))
        return false;
    *value = m_ports->Read(port, size);
    return true;
}

bool CSimBoard::WritePort(uint16_t port, uint8_t size, uint32_t value) {
    if (!CPortMap::ValidSize(size))
        return false;
    std::lock_guard lock(m_mutex);
    AdvanceLocked();
    if (m_faults->ShouldFail(port, size, true))
        return false;
    m_ports->Write(port, size, value);
    return true;
}

bool CSimBoard::ReadMsr(uint32_t msr, uint64_t* value) {
    if (!value)
        return false;
    std::lock_guard lock(m_mutex);
    AdvanceLocked();
    return m_msrs->Read(msr, ElapsedLocked(), m_physics->Value(CPU_TEMPERATURE_PIN), value);
}

bool CSimBoard::WriteMsr(uint32_t msr, uint64_t value) {
    std::lock_guard lock(m_mutex);
    AdvanceLocked();
    return m_msrs->Write(msr, value, ElapsedLocked(), m_physics->Value(CPU_TEMPERATURE_PIN));
}

void CSimBoard::SetInterruptSink(IInterruptSink* sink) {
    std::lock_guard lock(m_mutex);
    m_mcu->SetSink(sink);
}

std::string CSimBoard::Execute(std::string_view line) {
    try {
        std::lock_guard lock(m_mutex);
        AdvanceLocked();
        return m_commands->Execute(line);
    } catch (const std::exception& e) {
        return std::string("ERR 1\ninternal error: ") + e.what() + "\n";
    }
}

bool CSimBoard::IsBeeping() {
    std::lock_guard lock(m_mutex);
    AdvanceLocked();
    return m_chip->IsBeeping();
}

void CSimBoard::AccessChip(const std::function<void(CW83627ehfModel&)>& fn) {
    std::lock_guard lock(m_mutex);
    AdvanceLocked();
    fn(*m_chip);
}
