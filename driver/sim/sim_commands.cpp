#include "sim_commands.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "chip_conversions.h"

using namespace sim_ehf;

namespace {

__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string Ok(const std::string& text) {
    return "OK\n" + text;
}

std::string Err(const std::string& message) {
    return "ERR " + std::to_string(CSimCommands::ERR_USAGE) + "\n" + message + "\n";
}

bool ParseNumber(std::string_view s, double* out) {
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    if (s.empty())
        return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(*out);
}

bool ParseHexPort(std::string_view s, uint16_t* out) {
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        s.remove_prefix(2);
    if (s.empty() || s.size() > 4)
        return false;
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 16);
    if (ec != std::errc() || end != s.data() + s.size())
        return false;
    *out = static_cast<uint16_t>(value);
    return true;
}

std::string PinList() {
    std::string names;
    for (const SPinInfo& p : PINS) {
        if (!names.empty())
            names += ' ';
        names += p.name;
    }
    return names;
}

constexpr const char* INPUT_ROW = "%-15s %11s  %8s  %10s  %10s  %-5s  %-4s  %s\n";

// Temperatures are shown cut to the tenth below, as the chip cuts them to the half degree
// below: a sensor at 38.99 C reads 38 and shows 38.9, not 39.0. The small allowance keeps
// 44.3, which is a hair below itself in binary, from showing as 44.2.
double TenthsBelow(double celsius) {
    return std::floor(celsius * 10.0 + 1e-6) / 10.0;
}

int DutyPercentShown(uint8_t duty) {
    return (duty * 100 + 127) / 255;
}

const char* ModeName(uint8_t mode) {
    switch (mode) {
        case FAN_MODE_MANUAL:
            return "manual";
        case FAN_MODE_THERMAL_CRUISE:
            return "cruise";
        case 2:
            return "mode 2";
        default:
            return "mode 3";
    }
}

}  // namespace

std::string CSimCommands::Execute(std::string_view line) {
    Words words;
    size_t pos = 0;
    while (pos < line.size()) {
        const size_t start = line.find_first_not_of(" \t\r\n", pos);
        if (start == std::string_view::npos)
            break;
        size_t end = line.find_first_of(" \t\r\n", start);
        if (end == std::string_view::npos)
            end = line.size();
        words.push_back(line.substr(start, end - start));
        pos = end;
    }
    if (words.empty())
        return Err("no command; try help");
    const std::string_view command = words[0];
    auto noArguments = [&](auto&& run) -> std::string {
        if (words.size() != 1)
            return Err(std::string(command) + " takes no arguments");
        return run();
    };
    if (command == "help")
        return noArguments([&] { return Ok(Help()); });
    if (command == "status")
        return noArguments([&] { return Ok(Status()); });
    if (command == "beeping") {
        return noArguments([&] { return Ok(m_chip.IsBeeping() ? "beeping\n" : "silent\n"); });
    }
    if (command == "get")
        return Get(words);
    if (command == "set")
        return Set(words);
    if (command == "release")
        return Release(words);
    if (command == "fault")
        return Fault(words);
    if (command == "chip")
        return Chip(words);
    if (command == "interrupt")
        return m_mcuCommands.Interrupt(words);
    if (command == "mcu")
        return m_mcuCommands.Mcu(words);
    return Err("unknown command '" + std::string(command) + "'; try help");
}

std::string CSimCommands::Help() const {
    return "commands:\n"
           "  status                      every input, fan control, beep and fault state\n"
           "  get <pin>                   value and register count of one input\n"
           "  set <pin> <value>           hold an input: volts, degrees C, rpm or stall\n"
           "  release <pin>|all           let the input follow the board again\n"
           "  fault port <hex> on|read|write|off\n"
           "  fault rate <0..1>           fail that fraction of all port requests\n"
           "  fault off                   clear every fault\n"
           "  beeping                     beeping or silent\n"
           "  chip [<hex vendor> <hex chip>]  identification and register writes; pretend\n" +
           CMcuCommands::Help() + "pins: " + PinList() + "\n";
}

int CSimCommands::PinArgument(std::string_view word, std::string* error) const {
    const std::optional<int> pin = FindPin(word);
    if (!pin) {
        *error = "unknown pin '" + std::string(word) + "'; pins are " + PinList();
        return -1;
    }
    return *pin;
}

std::string CSimCommands::GetLine(int pin) const {
    const SPinInfo& info = PINS[pin];
    const double value = m_physics.Value(pin);
    switch (info.kind) {
        case EInputKind::Voltage:
            return Format("%.3f %u\n", value, m_chip.VoltageCount(info.kindIndex));
        case EInputKind::Temperature: {
            const STemperatureBytes t = m_chip.TemperatureReading(info.kindIndex);
            if (TEMPERATURES[info.kindIndex].hasHalf) {
                return Format("%.1f %u %u\n", TenthsBelow(value), t.whole, t.half);
            }
            return Format("%.1f %u\n", TenthsBelow(value), t.whole);
        }
        case EInputKind::Fan:
            return Format("%.0f %u\n", value, m_chip.FanCount(info.kindIndex));
    }
    return "\n";
}

std::string CSimCommands::Get(const Words& w) const {
    if (w.size() != 2)
        return Err("usage: get <pin>");
    std::string error;
    const int pin = PinArgument(w[1], &error);
    if (pin < 0)
        return Err(error);
    return Ok(GetLine(pin));
}

std::string CSimCommands::Set(const Words& w) {
    if (w.size() != 3)
        return Err("usage: set <pin> <value>");
    std::string error;
    const int pin = PinArgument(w[1], &error);
    if (pin < 0)
        return Err(error);
    const SPinInfo& info = PINS[pin];
    const std::string name(info.name);
    const std::string text(w[2]);
    double value = 0;
    if (info.kind == EInputKind::Fan && text == "stall") {
        value = 0;
    } else if (!ParseNumber(text, &value)) {
        return Err(name + ": '" + text + "' is not a number" +
                   (info.kind == EInputKind::Fan ? " or stall" : ""));
    }
    switch (info.kind) {
        case EInputKind::Voltage: {
            const SVoltageDescription& d = m_physics.Board().voltages[info.kindIndex];
            if (value < 0 && !d.negative) {
                return Err(name + " is no negative rail; give 0 V or more");
            }
            if (!VoltageMeasurable(value, d.divider, d.negative)) {
                return Err(Format("%s: %s V is outside what the input measures (%.3f .. %.3f V)",
                                  name.c_str(), text.c_str(),
                                  VoltsFromCount(0, d.divider, d.negative),
                                  VoltsFromCount(255, d.divider, d.negative)));
            }
            break;
        }
        case EInputKind::Temperature:
            if (value < TEMPERATURE_MIN || value > TEMPERATURE_MAX) {
                return Err(Format("%s: %s C is outside what the sensor reads (%.1f .. %.1f C)",
                                  name.c_str(), text.c_str(), TEMPERATURE_MIN, TEMPERATURE_MAX));
            }
            break;
        case EInputKind::Fan: {
            const int divisor = FanDivisor(m_chip.FanDivisorCode(info.kindIndex));
            if (value < 0)
                return Err(name + ": rpm cannot be negative");
            if (value > FanMaxRpm(divisor)) {
                return Err(
                    Format("%s: %s rpm is faster than divisor %d can count (at most %.0f rpm)",
                           name.c_str(), text.c_str(), divisor, FanMaxRpm(divisor)));
            }
            break;
        }
    }
    m_physics.Hold(pin, value);
    return Ok(name + " held: " + GetLine(pin));
}

std::string CSimCommands::Release(const Words& w) {
    if (w.size() != 2)
        return Err("usage: release <pin>|all");
    if (w[1] == "all") {
        for (int pin = 0; pin < PIN_COUNT; ++pin)
            m_physics.Release(pin);
        return Ok("every input released\n");
    }
    std::string error;
    const int pin = PinArgument(w[1], &error);
    if (pin < 0)
        return Err(error);
    m_physics.Release(pin);
    return Ok(std::string(PINS[pin].name) + " released\n");
}

std::string CSimCommands::Fault(const Words& w) {
    if (w.size() == 2 && w[1] == "off") {
        m_faults.Clear();
        return Ok("no faults\n");
    }
    if (w.size() == 3 && w[1] == "rate") {
        double rate = 0;
        if (!ParseNumber(w[2], &rate) || !m_faults.SetRate(rate)) {
            return Err("fault rate: '" + std::string(w[2]) + "' is not a number from 0 to 1");
        }
        return Ok(Format("fault rate %g of port requests\n", rate));
    }
    if (w.size() == 4 && w[1] == "port") {
        uint16_t port = 0;
        if (!ParseHexPort(w[2], &port)) {
            return Err("fault port: '" + std::string(w[2]) + "' is not a hex port 0 .. FFFF");
        }
        const std::string_view how = w[3];
        uint8_t directions = 0;
        if (how == "on") {
            directions = CFaultInjector::FAIL_BOTH;
        } else if (how == "read") {
            directions = CFaultInjector::FAIL_READ;
        } else if (how == "write") {
            directions = CFaultInjector::FAIL_WRITE;
        } else if (how != "off") {
            return Err("fault port: '" + std::string(how) + "' is none of on, read, write, off");
        }
        m_faults.SetPort(port, directions);
        return Ok(Format("port 0x%X %s\n", port,
                         directions == 0                           ? "works again"
                         : directions == CFaultInjector::FAIL_BOTH ? "fails on read and write"
                         : directions == CFaultInjector::FAIL_READ ? "fails on read"
                                                                   : "fails on write"));
    }
    return Err("usage: fault port <hex port> on|read|write|off, fault rate <0..1>, fault off");
}

std::string CSimCommands::InputRow(int pin) const {
    const SPinInfo& info = PINS[pin];
    const double value = m_physics.Value(pin);
    std::string shown, count, low, high;
    switch (info.kind) {
        case EInputKind::Voltage: {
            const SVoltageDescription& d = m_physics.Board().voltages[info.kindIndex];
            const SVoltageRegs& regs = VOLTAGES[info.kindIndex];
            shown = Format("%.3f V", value);
            count = Format("%u", m_chip.VoltageCount(info.kindIndex));
            low = Format("%.3f V", VoltsFromCount(m_chip.Read(regs.low), d.divider, d.negative));
            high = Format("%.3f V", VoltsFromCount(m_chip.Read(regs.high), d.divider, d.negative));
            break;
        }
        case EInputKind::Temperature: {
            const STemperatureRegs& regs = TEMPERATURES[info.kindIndex];
            const STemperatureBytes t = m_chip.TemperatureReading(info.kindIndex);
            shown = Format("%.1f C", TenthsBelow(value));
            count = regs.hasHalf ? Format("%u/0x%02X", t.whole, t.half) : Format("%u", t.whole);
            const uint8_t highHalf = regs.hasHalf ? m_chip.Read(regs.highHalf) : 0;
            const uint8_t hystHalf = regs.hasHalf ? m_chip.Read(regs.hystHalf) : 0;
            low = Format("%.1f C", CelsiusFromBytes({m_chip.Read(regs.hyst), hystHalf}));
            high = Format("%.1f C", CelsiusFromBytes({m_chip.Read(regs.high), highHalf}));
            break;
        }
        case EInputKind::Fan: {
            const int divisor = FanDivisor(m_chip.FanDivisorCode(info.kindIndex));
            const uint8_t limit = m_chip.Read(FANS[info.kindIndex].limit);
            shown = value > 0 ? Format("%.0f rpm", value) : "stall";
            count = Format("%u", m_chip.FanCount(info.kindIndex));
            low = limit == 0 || limit == FAN_COUNT_STALLED
                      ? "none"
                      : Format("%d rpm", FanRpmFromCount(limit, divisor));
            high = '-';
            break;
        }
    }
    const char* state = m_physics.IsHeld(pin) ? "held" : m_physics.Connected(pin) ? "live" : "n/c";
    return Format(INPUT_ROW, std::string(info.name).c_str(), shown.c_str(), count.c_str(),
                  low.c_str(), high.c_str(), m_chip.InAlarm(pin) ? "ALARM" : "-",
                  m_chip.BeepEnabled(pin) ? "on" : "off", state);
}

std::string CSimCommands::FanControlRow(int fan) const {
    const std::string name(PINS[PinOf(EInputKind::Fan, fan)].name);
    const int divisor = FanDivisor(m_chip.FanDivisorCode(fan));
    if (fan >= CONTROLLED_FAN_COUNT) {
        return Format("%-8s %4d  (no fan control)\n", name.c_str(), divisor);
    }
    const SFanControlState s = m_chip.FanControl(fan);
    const std::string duty = Format("%u (%d%%)", s.duty, DutyPercentShown(s.duty));
    const std::string stop = Format("%u (%d%%)", s.stop, DutyPercentShown(s.stop));
    const std::string start = Format("%u (%d%%)", s.start, DutyPercentShown(s.start));
    const std::string follows(
        PINS[PinOf(EInputKind::Temperature, FAN_CONTROLS[fan].followsTemperature)].name);
    return Format("%-8s %4d  %-7s %-10s %4u C %4u  %-10s %-10s %-4s %s\n", name.c_str(), divisor,
                  ModeName(s.mode), duty.c_str(), s.target, s.tolerance, stop.c_str(),
                  start.c_str(), s.keepMinimum ? "on" : "off", follows.c_str());
}

std::string CSimCommands::Status() const {
    std::string text = Format(
        "board %s   time %.2f s   drift %s   seed %llu   bank %u   index 0x%02X\n",
        m_physics.Board().name.c_str(), m_physics.Time(), m_physics.Drift() ? "on" : "off",
        static_cast<unsigned long long>(m_physics.Seed()), m_chip.Bank(), m_chipPorts.Index());
    text += Format(INPUT_ROW, "PIN", "VALUE", "COUNT", "LOW", "HIGH", "ALARM", "BEEP", "STATE");
    for (int pin = 0; pin < PIN_COUNT; ++pin)
        text += InputRow(pin);
    text += "(temperatures: LOW is the hysteresis, HIGH the limit; fans: LOW is the limit)\n\n";
    text += Format("%-8s %4s  %-7s %-10s %6s %4s  %-10s %-10s %-4s %s\n", "FAN", "DIV", "MODE",
                   "DUTY", "TARGET", "TOL", "STOP", "START", "KEEP", "FOLLOWS");
    for (int fan = 0; fan < FAN_COUNT; ++fan)
        text += FanControlRow(fan);
    text += "\n";
    text += Format("global beep: %s\n", m_chip.GlobalBeep() ? "on" : "off");
    text += Format("beeping:     %s\n", m_chip.IsBeeping() ? "yes" : "no");
    text += "faults:      " + m_faults.Describe() + "\n";
    return text;
}

std::string CSimCommands::Chip(const Words& w) {
    if (w.size() == 3) {
        uint16_t vendor = 0, chip = 0;
        if (!ParseHexPort(w[1], &vendor) || !ParseHexPort(w[2], &chip) || chip > 0xFF)
            return Err("usage: chip [<hex vendor 0..FFFF> <hex chip 0..FF>]");
        m_chip.SetIdentity({vendor, static_cast<uint8_t>(chip)});
    } else if (w.size() != 1) {
        return Err("usage: chip [<hex vendor 0..FFFF> <hex chip 0..FF>]");
    }
    const SChipIdentity id = m_chip.Identity();
    return Ok(Format("vendor 0x%04X chip 0x%02X writes %llu\n", id.vendor, id.chip,
                     static_cast<unsigned long long>(m_chip.RegisterWrites())));
}
