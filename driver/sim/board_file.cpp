#include "board_file.h"

#include <fcntl.h>
#include <ini.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "chip_conversions.h"

using namespace sim_ehf;

namespace {

constexpr size_t MAX_FILE_SIZE = 1 << 20;

struct SEntry {
    std::string key;
    std::string value;
    int line;
};

struct SSection {
    std::string name;
    int line;
    std::vector<SEntry> entries;
};

// State of one pass of the INI reader: the text, the line it stands on, and what it found.
struct SReadContext {
    std::string_view text;
    size_t pos = 0;
    int line = 0;
    int firstLongLine = 0;
    // The last section header seen: its line, and a number that tells repeated headers apart.
    int headerLine = 0;
    int headerSerial = 0;
    std::vector<SSection> sections;
    std::vector<int> sectionSerials;
    int errorLine = 0;
    std::string errorMessage;
};

char* ReadLine(char* str, int num, void* stream) {
    auto* ctx = static_cast<SReadContext*>(stream);
    if (ctx->pos >= ctx->text.size())
        return nullptr;
    const size_t newline = ctx->text.find('\n', ctx->pos);
    const size_t lineEnd = newline == std::string_view::npos ? ctx->text.size() : newline + 1;
    ++ctx->line;
    size_t length = lineEnd - ctx->pos;
    const size_t room = static_cast<size_t>(num) - 1;
    if (length > room) {
        if (ctx->firstLongLine == 0)
            ctx->firstLongLine = ctx->line;
        length = room;
    }
    std::memcpy(str, ctx->text.data() + ctx->pos, length);
    str[length] = '\0';
    const size_t first = ctx->text.find_first_not_of(" \t", ctx->pos);
    if (first < lineEnd && ctx->text[first] == '[') {
        ctx->headerLine = ctx->line;
        ++ctx->headerSerial;
    }
    ctx->pos = lineEnd;
    return str;
}

int OnEntry(void* user, const char* section, const char* name, const char* value) {
    auto* ctx = static_cast<SReadContext*>(user);
    auto fail = [ctx](std::string message) {
        if (ctx->errorLine == 0) {
            ctx->errorLine = ctx->line;
            ctx->errorMessage = std::move(message);
        }
        return 0;
    };
    if (*section == '\0')
        return fail("key '" + std::string(name) + "' outside a section");
    if (ctx->sectionSerials.empty() || ctx->sectionSerials.back() != ctx->headerSerial) {
        for (const SSection& s : ctx->sections) {
            if (s.name == section) {
                return fail("section [" + std::string(section) + "] again");
            }
        }
        ctx->sections.push_back({section, ctx->headerLine, {}});
        ctx->sectionSerials.push_back(ctx->headerSerial);
    }
    SSection& current = ctx->sections.back();
    for (const SEntry& e : current.entries) {
        if (e.key == name) {
            return fail("key '" + std::string(name) + "' again in [" + current.name + "]");
        }
    }
    current.entries.push_back({name, value, ctx->line});
    return 1;
}

// Reads the typed values of one section and remembers the first error.
class CSectionReader {
  public:
    CSectionReader(const SSection& section, const std::string& origin, std::string* error)
        : m_section(section), m_origin(origin), m_error(error) {}

    bool Has(const std::string& key) const { return Find(key) != nullptr; }

    bool Number(const std::string& key, double min, double max, double* out) {
        const SEntry* e = Use(key);
        if (!e)
            return true;
        double v = 0;
        if (!ParseNumber(e->value, &v))
            return Fail(*e, "'" + e->value + "' is not a number");
        if (v < min || v > max) {
            return Fail(*e, key + " " + e->value + " is outside " + Text(min) + " .. " + Text(max));
        }
        *out = v;
        return true;
    }

    bool Integer(const std::string& key, int min, int max, int* out) {
        const SEntry* e = Use(key);
        if (!e)
            return true;
        int v = 0;
        const char* first = e->value.data();
        const char* last = first + e->value.size();
        const auto [end, ec] = std::from_chars(first, last, v);
        if (ec != std::errc() || end != last) {
            return Fail(*e, "'" + e->value + "' is not a whole number");
        }
        if (v < min || v > max) {
            return Fail(*e, key + " " + e->value + " is outside " + std::to_string(min) + " .. " +
                                std::to_string(max));
        }
        *out = v;
        return true;
    }

    bool Flag(const std::string& key, bool* out) {
        const SEntry* e = Use(key);
        if (!e)
            return true;
        if (e->value != "0" && e->value != "1")
            return Fail(*e, key + " must be 0 or 1");
        *out = e->value == "1";
        return true;
    }

    bool Word(const std::string& key, std::string* out) {
        const SEntry* e = Use(key);
        if (!e)
            return true;
        if (e->value.empty())
            return Fail(*e, key + " is empty");
        *out = e->value;
        return true;
    }

    bool Require(const std::string& key) {
        if (Has(key))
            return true;
        *m_error = m_origin + ":" + std::to_string(m_section.line) + ": [" + m_section.name +
                   "] lacks '" + key + "'";
        return false;
    }

    // Every key must have been read by now.
    bool NoOthers() {
        for (const SEntry& e : m_section.entries) {
            if (!m_used.count(e.key)) {
                return Fail(e, "unknown key '" + e.key + "' in [" + m_section.name + "]");
            }
        }
        return true;
    }

    bool FailAt(const std::string& key, const std::string& message) {
        const SEntry* e = Find(key);
        if (e)
            return Fail(*e, message);
        *m_error = m_origin + ":" + std::to_string(m_section.line) + ": " + message;
        return false;
    }

    static std::string Text(double v) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", v);
        return buffer;
    }

  private:
    const SEntry* Find(const std::string& key) const {
        for (const SEntry& e : m_section.entries) {
            if (e.key == key)
                return &e;
        }
        return nullptr;
    }

    const SEntry* Use(const std::string& key) {
        m_used.insert(key);
        return Find(key);
    }

    bool Fail(const SEntry& e, const std::string& message) {
        *m_error = m_origin + ":" + std::to_string(e.line) + ": " + message;
        return false;
    }

    static bool ParseNumber(const std::string& text, double* out) {
        std::string_view s = text;
        if (!s.empty() && s.front() == '+')
            s.remove_prefix(1);
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
        return ec == std::errc() && end == s.data() + s.size() && std::isfinite(*out);
    }

    const SSection& m_section;
    const std::string& m_origin;
    std::string* m_error;
    std::set<std::string> m_used;
};

std::string VoltageRangeText(double divider, bool negative) {
    return CSectionReader::Text(VoltsFromCount(0, divider, negative)) + " .. " +
           CSectionReader::Text(VoltsFromCount(255, divider, negative)) + " V";
}

bool ReadVoltage(CSectionReader& r, SVoltageDescription* d) {
    if (!r.Require("nominal"))
        return false;
    constexpr double ANY = 1e6;
    if (!r.Number("nominal", -ANY, ANY, &d->nominal) ||
        !r.Number("divider", 1e-6, ANY, &d->divider) || !r.Flag("negative", &d->negative)) {
        return false;
    }
    const double margin = std::fabs(d->nominal) * 0.1;
    d->low = d->nominal - margin;
    d->high = d->nominal + margin;
    if (!r.Number("low", -ANY, ANY, &d->low) || !r.Number("high", -ANY, ANY, &d->high) ||
        !r.Flag("beep", &d->beep) || !r.NoOthers()) {
        return false;
    }
    if (!d->negative && d->nominal < 0) {
        return r.FailAt("nominal", "a negative nominal value needs negative = 1");
    }
    for (const char* key : {"nominal", "low", "high"}) {
        const double v = key[0] == 'n' ? d->nominal : (key[0] == 'l' ? d->low : d->high);
        if (!VoltageMeasurable(v, d->divider, d->negative)) {
            return r.FailAt(key, std::string(key) + " " + CSectionReader::Text(v) +
                                     " V is outside what the input measures (" +
                                     VoltageRangeText(d->divider, d->negative) + ")");
        }
    }
    if (d->low > d->high)
        return r.FailAt("low", "low is above high");
    d->connected = true;
    return true;
}

bool ReadTemperature(CSectionReader& r, STemperatureDescription* d) {
    if (!r.Require("ambient"))
        return false;
    std::string fan = "none";
    d->high = 70.0;
    if (!r.Number("ambient", TEMPERATURE_MIN, TEMPERATURE_MAX, &d->ambient) ||
        !r.Number("heat", 0.0, 255.0, &d->heat) || !r.Number("cooling", 0.0, 1.0, &d->cooling) ||
        !r.Word("fan", &fan) || !r.Number("time_constant", 0.1, 1e5, &d->timeConstant) ||
        !r.Number("high", TEMPERATURE_MIN, TEMPERATURE_MAX, &d->high)) {
        return false;
    }
    d->hysteresis = d->high - 5.0;
    if (!r.Number("hysteresis", TEMPERATURE_MIN, TEMPERATURE_MAX, &d->hysteresis) ||
        !r.Flag("beep", &d->beep) || !r.NoOthers()) {
        return false;
    }
    if (d->hysteresis > d->high)
        return r.FailAt("hysteresis", "hysteresis is above high");
    d->fan = -1;
    if (fan != "none") {
        const std::optional<int> pin = FindPin(fan);
        if (!pin || PINS[*pin].kind != EInputKind::Fan) {
            return r.FailAt("fan", "fan '" + fan + "' is no fan pin (or none)");
        }
        d->fan = PINS[*pin].kindIndex;
    }
    d->connected = true;
    return true;
}

bool ReadFan(CSectionReader& r, bool controlled, SFanDescription* d) {
    if (!r.Require("max_rpm"))
        return false;
    if (!r.Integer("divisor", 1, 128, &d->divisor))
        return false;
    if ((d->divisor & (d->divisor - 1)) != 0) {
        return r.FailAt("divisor", "divisor must be a power of two (1, 2, 4 ... 128)");
    }
    const double maxCountable = FanMaxRpm(d->divisor);
    if (!r.Number("max_rpm", 1.0, maxCountable, &d->maxRpm) ||
        !r.Number("spin_time", 0.01, 1e4, &d->spinTime) ||
        !r.Number("limit", 0.0, maxCountable, &d->limit) || !r.Flag("beep", &d->beep)) {
        return false;
    }
    if (controlled) {
        std::string control = "manual";
        if (!r.Integer("min_duty", 0, 100, &d->minDutyPercent) || !r.Word("control", &control) ||
            !r.Integer("duty", 0, 100, &d->dutyPercent) ||
            !r.Integer("target", 0, 127, &d->target) ||
            !r.Integer("tolerance", 0, 15, &d->tolerance) ||
            !r.Integer("start", 0, 100, &d->startPercent) ||
            !r.Integer("stop", 0, 100, &d->stopPercent) ||
            !r.Flag("keep_minimum", &d->keepMinimum)) {
            return false;
        }
        if (control != "manual" && control != "cruise") {
            return r.FailAt("control", "control must be manual or cruise");
        }
        d->cruise = control == "cruise";
    }
    if (!r.NoOthers())
        return false;
    d->connected = true;
    return true;
}

}  // namespace

std::optional<SBoardDescription> CBoardFile::Parse(std::string_view text, const std::string& origin,
                                                   std::string* error) {
    std::string scratch;
    if (!error)
        error = &scratch;
    if (text.find('\0') != std::string_view::npos) {
        *error = origin + ": not a text file";
        return std::nullopt;
    }
    SReadContext ctx;
    ctx.text = text;
    const int syntaxLine = ini_parse_stream(ReadLine, &ctx, OnEntry, &ctx);
    if (ctx.firstLongLine != 0) {
        *error = origin + ":" + std::to_string(ctx.firstLongLine) + ": line too long";
        return std::nullopt;
    }
    if (syntaxLine != 0) {
        if (ctx.errorLine == syntaxLine) {
            *error = origin + ":" + std::to_string(syntaxLine) + ": " + ctx.errorMessage;
        } else {
            *error = origin + ":" + std::to_string(syntaxLine) +
                     ": expected [section], key = value, or a comment";
        }
        return std::nullopt;
    }

    SBoardDescription board;
    bool named = false;
    for (const SSection& section : ctx.sections) {
        CSectionReader reader(section, origin, error);
        if (section.name == "board") {
            if (!reader.Require("name") || !reader.Word("name", &board.name) ||
                !reader.NoOthers()) {
                return std::nullopt;
            }
            named = true;
            continue;
        }
        const std::optional<int> pin = FindPin(section.name);
        if (!pin) {
            *error = origin + ":" + std::to_string(section.line) + ": unknown section [" +
                     section.name + "]; sections are [board] and the chip's pin names";
            return std::nullopt;
        }
        const SPinInfo& info = PINS[*pin];
        bool ok = false;
        switch (info.kind) {
            case EInputKind::Voltage:
                ok = ReadVoltage(reader, &board.voltages[info.kindIndex]);
                break;
            case EInputKind::Temperature:
                ok = ReadTemperature(reader, &board.temperatures[info.kindIndex]);
                break;
            case EInputKind::Fan:
                ok = ReadFan(reader, info.kindIndex < CONTROLLED_FAN_COUNT,
                             &board.fans[info.kindIndex]);
                break;
        }
        if (!ok)
            return std::nullopt;
    }
    if (!named) {
        *error = origin + ": [board] with its name is missing";
        return std::nullopt;
    }
    for (int i = 0; i < TEMPERATURE_COUNT; ++i) {
        const int fan = board.temperatures[i].fan;
        if (fan >= 0 && !board.fans[fan].connected) {
            *error = origin + ": " + std::string(PINS[PinOf(EInputKind::Temperature, i)].name) +
                     " is cooled by " + std::string(PINS[PinOf(EInputKind::Fan, fan)].name) +
                     ", which has no section";
            return std::nullopt;
        }
    }
    return board;
}

std::optional<SBoardDescription> CBoardFile::Load(const std::string& path, std::string* error) {
    std::string scratch;
    if (!error)
        error = &scratch;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = path + ": cannot open: " + std::strerror(errno);
        return std::nullopt;
    }
    std::string content;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!ok) {
        *error = path + ": not a regular file";
    } else {
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                *error = path + ": cannot read: " + std::strerror(errno);
                ok = false;
                break;
            }
            if (n == 0)
                break;
            content.append(buffer, static_cast<size_t>(n));
            if (content.size() > MAX_FILE_SIZE) {
                *error = path + ": larger than a board description can be";
                ok = false;
                break;
            }
        }
    }
    close(fd);
    if (!ok)
        return std::nullopt;
    return Parse(content, path, error);
}
