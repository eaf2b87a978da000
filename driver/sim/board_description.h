#pragma once
// What a simulated board is made of, as its board description file gives it: per chip input
// its nominal value, circuit and the limits its BIOS programs; per temperature sensor its heat
// and which fan cools it; per fan its speed and how the BIOS left its control.

#include <array>
#include <string>

#include "w83627ehf_registers.h"

struct SVoltageDescription {
    bool connected = false;
    double nominal = 0.0;  // volts of the rail
    double divider = 1.0;  // pin volts = rail volts x divider (the monitor's Factor)
    bool negative = false;
    double low = 0.0;  // BIOS limits, rail volts
    double high = 0.0;
    bool beep = false;
};

struct STemperatureDescription {
    bool connected = false;
    double ambient = 25.0;       // degrees Celsius with no heat
    double heat = 0.0;           // rise above ambient while its fan stands still
    double cooling = 0.0;        // fraction of that rise its fan removes at full speed
    int fan = -1;                // row of sim_ehf::FANS that cools it, or -1
    double timeConstant = 30.0;  // seconds
    double high = 127.0;         // BIOS limit and hysteresis, degrees Celsius
    double hysteresis = 127.0;
    bool beep = false;
};

struct SFanDescription {
    bool connected = false;
    double maxRpm = 0.0;     // speed at full duty (AUXFAN1, uncontrolled: its steady speed)
    int minDutyPercent = 0;  // below this duty the fan does not turn
    double spinTime = 2.0;   // seconds, time constant of speed changes
    int divisor = 8;         // 1, 2, 4 ... 128
    double limit = 0.0;      // BIOS low limit, rpm; 0 = none
    bool beep = false;
    bool cruise = false;  // BIOS left it in thermal cruise
    int dutyPercent = 100;
    int target = 45;
    int tolerance = 2;
    int startPercent = 100;
    int stopPercent = 30;
    bool keepMinimum = true;
};

struct SBoardDescription {
    std::string name;
    std::array<SVoltageDescription, sim_ehf::VOLTAGE_COUNT> voltages;
    std::array<STemperatureDescription, sim_ehf::TEMPERATURE_COUNT> temperatures;
    std::array<SFanDescription, sim_ehf::FAN_COUNT> fans;
};
