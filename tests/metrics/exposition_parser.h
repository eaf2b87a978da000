#pragma once
// Reads the Prometheus text format back for the tests: samples by name and labels, and the
// HELP and TYPE of every family. Strict where the monitor must be: a family's samples together
// after its HELP and TYPE, escapes undone, every line well formed.

#include <map>
#include <optional>
#include <string>
#include <vector>

struct SSample {
    std::string name;
    std::map<std::string, std::string> labels;
    double value = 0;
};

struct SExposition {
    std::vector<SSample> samples;
    std::map<std::string, std::string> types;  // family name -> "gauge", "counter"
    std::map<std::string, std::string> helps;

    // The value of the one sample of `name` whose labels include `match`; nullopt when none.
    std::optional<double> Value(const std::string& name,
                                const std::map<std::string, std::string>& match = {}) const;
    size_t Count(const std::string& name) const;
};

// False with *error (the line and what is wrong) when the text is not well formed.
bool ParseExposition(const std::string& text, SExposition* out, std::string* error);
