#pragma once
// The world around the chip: rails at their nominal voltage, heat that the fans carry away,
// fans that follow their duty, and a little drift so readings live. Time runs in fixed ticks,
// so a run depends only on the seed and on how far the clock has gone, not on how often it is
// looked at. Inputs can be held at an exact value, which stops drift and model for them.

#include <array>
#include <cstdint>
#include <random>

#include "board_description.h"
#include "w83627ehf_model.h"

class CBoardPhysics {
  public:
    static constexpr double TICK_SECONDS = 0.25;
    // A clock that jumps far ahead (a suspended machine) runs at most this many ticks at once.
    static constexpr uint64_t MAX_CATCH_UP_TICKS = 4 * 600;

    // Sets the chip's inputs to the board's starting state.
    CBoardPhysics(const SBoardDescription& board, CW83627ehfModel& chip);

    void SetSeed(uint64_t seed);
    uint64_t Seed() const { return m_seed; }
    void SetDrift(bool on);
    bool Drift() const { return m_drift; }

    // Runs the whole ticks up to `seconds` since the board started.
    void AdvanceTo(double seconds);
    double Time() const { return static_cast<double>(m_ticks) * TICK_SECONDS; }

    // Values are in the input's unit: volts of the rail, degrees Celsius, rpm.
    void Hold(int pin, double value);
    void Release(int pin);
    bool IsHeld(int pin) const { return m_inputs[pin].held; }
    double Value(int pin) const;
    bool Connected(int pin) const;

    const SBoardDescription& Board() const { return m_board; }

  private:
    struct SInputState {
        bool held = false;
        double heldValue = 0.0;
        double walk = 0.0;  // drift, -1 .. 1 of the input's drift span
    };

    void Tick();
    void Publish();
    double FanTargetRpm(int fan) const;
    double EquilibriumCelsius(int sensor) const;
    double Uniform();  // -1 .. 1

    SBoardDescription m_board;
    CW83627ehfModel& m_chip;
    std::array<SInputState, sim_ehf::PIN_COUNT> m_inputs{};
    std::array<double, sim_ehf::TEMPERATURE_COUNT> m_celsius{};
    std::array<double, sim_ehf::FAN_COUNT> m_rpm{};
    std::mt19937_64 m_rng;
    uint64_t m_seed = 0;
    bool m_drift = true;
    uint64_t m_ticks = 0;
};
