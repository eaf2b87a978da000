#include "board_physics.h"

#include <algorithm>
#include <cmath>

#include "chip_conversions.h"

using namespace sim_ehf;

namespace {

// Drift: a walk that leans back toward 0, scaled per kind of input.
constexpr double WALK_KEEP = 0.98;
constexpr double WALK_STEP = 0.15;
constexpr double VOLTAGE_DRIFT = 0.005;    // of the nominal value
constexpr double TEMPERATURE_DRIFT = 0.5;  // degrees
constexpr double FAN_DRIFT = 0.01;         // of the speed
constexpr uint64_t DEFAULT_SEED = 0x5EED;

double Approach(double value, double target, double timeConstant) {
    return value + (target - value) * (1.0 - std::exp(-CBoardPhysics::TICK_SECONDS / timeConstant));
}

}  // namespace

CBoardPhysics::CBoardPhysics(const SBoardDescription& board, CW83627ehfModel& chip)
    : m_board(board), m_chip(chip), m_rng(DEFAULT_SEED), m_seed(DEFAULT_SEED) {
    for (int i = 0; i < FAN_COUNT; ++i)
        m_rpm[i] = FanTargetRpm(i);
    for (int i = 0; i < TEMPERATURE_COUNT; ++i) {
        m_celsius[i] = m_board.temperatures[i].connected ? EquilibriumCelsius(i) : 0.0;
    }
    Publish();
}

void CBoardPhysics::SetSeed(uint64_t seed) {
    m_seed = seed;
    m_rng.seed(seed);
    for (SInputState& s : m_inputs)
        s.walk = 0.0;
    Publish();
}

void CBoardPhysics::SetDrift(bool on) {
    m_drift = on;
    for (SInputState& s : m_inputs)
        s.walk = 0.0;
    Publish();
}

double CBoardPhysics::Uniform() {
    // The top 53 bits give an exact double in [0, 1).
    const double unit = static_cast<double>(m_rng() >> 11) * 0x1.0p-53;
    return unit * 2.0 - 1.0;
}

bool CBoardPhysics::Connected(int pin) const {
    const SPinInfo& info = PINS[pin];
    switch (info.kind) {
        case EInputKind::Voltage:
            return m_board.voltages[info.kindIndex].connected;
        case EInputKind::Temperature:
            return m_board.temperatures[info.kindIndex].connected;
        case EInputKind::Fan:
            return m_board.fans[info.kindIndex].connected;
    }
    return false;
}

double CBoardPhysics::Value(int pin) const {
    const SInputState& s = m_inputs[pin];
    if (s.held)
        return s.heldValue;
    const SPinInfo& info = PINS[pin];
    const double walk = m_drift ? s.walk : 0.0;
    switch (info.kind) {
        case EInputKind::Voltage: {
            const SVoltageDescription& d = m_board.voltages[info.kindIndex];
            if (!d.connected)
                return 0.0;
            return d.nominal + walk * VOLTAGE_DRIFT * std::fabs(d.nominal);
        }
        case EInputKind::Temperature: {
            if (!m_board.temperatures[info.kindIndex].connected)
                return m_celsius[info.kindIndex];
            return std::clamp(m_celsius[info.kindIndex] + walk * TEMPERATURE_DRIFT, TEMPERATURE_MIN,
                              TEMPERATURE_MAX);
        }
        case EInputKind::Fan: {
            const double rpm = m_rpm[info.kindIndex];
            // Below one turn a minute the fan counts as standing.
            return rpm < 1.0 ? 0.0 : rpm * (1.0 + walk * FAN_DRIFT);
        }
    }
    return 0.0;
}

double CBoardPhysics::FanTargetRpm(int fan) const {
    const SFanDescription& d = m_board.fans[fan];
    if (!d.connected)
        return 0.0;
    if (fan >= CONTROLLED_FAN_COUNT)
        return d.maxRpm;
    const uint8_t duty = m_chip.FanControl(fan).duty;
    if (duty == 0 || duty * 100 < d.minDutyPercent * 255)
        return 0.0;
    return d.maxRpm * duty / 255.0;
}

double CBoardPhysics::EquilibriumCelsius(int sensor) const {
    const STemperatureDescription& d = m_board.temperatures[sensor];
    double airflow = 0.0;
    if (d.fan >= 0) {
        const double maxRpm = m_board.fans[d.fan].maxRpm;
        const double rpm = Value(PinOf(EInputKind::Fan, d.fan));
        airflow = maxRpm > 0 ? std::clamp(rpm / maxRpm, 0.0, 1.0) : 0.0;
    }
    return d.ambient + d.heat * (1.0 - d.cooling * airflow);
}

void CBoardPhysics::AdvanceTo(double seconds) {
    if (!(seconds > 0))
        return;
    const double due = std::floor(seconds / TICK_SECONDS);
    if (due <= static_cast<double>(m_ticks))
        return;
    const uint64_t dueTicks =
        due > 1e15 ? m_ticks + MAX_CATCH_UP_TICKS : static_cast<uint64_t>(due);
    if (dueTicks - m_ticks > MAX_CATCH_UP_TICKS)
        m_ticks = dueTicks - MAX_CATCH_UP_TICKS;
    while (m_ticks < dueTicks) {
        Tick();
        ++m_ticks;
    }
}

void CBoardPhysics::Tick() {
    constexpr uint64_t TICKS_PER_CRUISE_STEP =
        static_cast<uint64_t>(CW83627ehfModel::CRUISE_STEP_SECONDS / TICK_SECONDS);
    if (m_ticks % TICKS_PER_CRUISE_STEP == 0)
        m_chip.StepFanControl();
    for (int i = 0; i < FAN_COUNT; ++i) {
        const int pin = PinOf(EInputKind::Fan, i);
        if (m_inputs[pin].held) {
            m_rpm[i] = m_inputs[pin].heldValue;
        } else if (m_board.fans[i].connected) {
            m_rpm[i] = Approach(m_rpm[i], FanTargetRpm(i), m_board.fans[i].spinTime);
        }
    }
    for (int i = 0; i < TEMPERATURE_COUNT; ++i) {
        const int pin = PinOf(EInputKind::Temperature, i);
        if (m_inputs[pin].held) {
            m_celsius[i] = m_inputs[pin].heldValue;
        } else if (m_board.temperatures[i].connected) {
            m_celsius[i] =
                Approach(m_celsius[i], EquilibriumCelsius(i), m_board.temperatures[i].timeConstant);
        }
    }
    if (m_drift) {
        for (int pin = 0; pin < PIN_COUNT; ++pin) {
            SInputState& s = m_inputs[pin];
            s.walk = std::clamp(s.walk * WALK_KEEP + WALK_STEP * Uniform(), -1.0, 1.0);
        }
    }
    Publish();
}

void CBoardPhysics::Hold(int pin, double value) {
    SInputState& s = m_inputs[pin];
    s.held = true;
    s.heldValue = value;
    const SPinInfo& info = PINS[pin];
    // The model carries on from the held value once released.
    if (info.kind == EInputKind::Temperature)
        m_celsius[info.kindIndex] = value;
    if (info.kind == EInputKind::Fan)
        m_rpm[info.kindIndex] = value;
    Publish();
}

void CBoardPhysics::Release(int pin) {
    m_inputs[pin].held = false;
    Publish();
}

void CBoardPhysics::Publish() {
    for (int i = 0; i < VOLTAGE_COUNT; ++i) {
        const SVoltageDescription& d = m_board.voltages[i];
        m_chip.SetVoltageInput(
            i, PinVolts(Value(PinOf(EInputKind::Voltage, i)), d.divider, d.negative));
    }
    for (int i = 0; i < TEMPERATURE_COUNT; ++i) {
        m_chip.SetTemperatureInput(i, Value(PinOf(EInputKind::Temperature, i)));
    }
    for (int i = 0; i < FAN_COUNT; ++i)
        m_chip.SetFanInput(i, Value(PinOf(EInputKind::Fan, i)));
}
