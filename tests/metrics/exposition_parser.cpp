#include "exposition_parser.h"

#include <cmath>
#include <cstdlib>
#include <set>
#include <sstream>

namespace {

bool IsNameChar(char c, bool first) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' ||
           (!first && c >= '0' && c <= '9');
}

std::string ReadName(const std::string& line, size_t* at) {
    size_t start = *at;
    while (*at < line.size() && IsNameChar(line[*at], *at == start))
        ++*at;
    return line.substr(start, *at - start);
}

bool ParseValue(const std::string& text, double* value) {
    if (text == "NaN" || text == "+Inf" || text == "-Inf") {
        *value = text == "NaN" ? std::nan("") : (text[0] == '+' ? 1 : -1) * HUGE_VAL;
        return true;
    }
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size();
}

bool ParseSample(const std::string& line, SSample* s) {
    size_t at = 0;
    s->name = ReadName(line, &at);
    if (s->name.empty())
        return false;
    if (at < line.size() && line[at] == '{') {
        ++at;
        while (at < line.size() && line[at] != '}') {
            std::string key = ReadName(line, &at);
            if (key.empty() || line.compare(at, 2, "=\"") != 0)
                return false;
            at += 2;
            std::string value;
            while (at < line.size() && line[at] != '"') {
                if (line[at] == '\\' && at + 1 < line.size()) {
                    const char e = line[++at];
                    if (e != '\\' && e != '"' && e != 'n')
                        return false;
                    value += e == 'n' ? '\n' : e;
                } else {
                    value += line[at];
                }
                ++at;
            }
            if (at == line.size() || s->labels.count(key) != 0)
                return false;
            s->labels[key] = value;
            ++at;
            if (at < line.size() && line[at] == ',')
                ++at;
        }
        if (at == line.size())
            return false;
        ++at;
    }
    if (at >= line.size() || line[at] != ' ')
        return false;
    return ParseValue(line.substr(at + 1), &s->value);
}

}  // namespace

std::optional<double> SExposition::Value(const std::string& name,
                                         const std::map<std::string, std::string>& match) const {
    std::optional<double> found;
    for (const SSample& s : samples) {
        if (s.name != name)
            continue;
        bool all = true;
        for (const auto& [k, v] : match)
            all = all && s.labels.count(k) && s.labels.at(k) == v;
        if (all) {
            if (found)
                return std::nullopt;  // not one sample
            found = s.value;
        }
    }
    return found;
}

size_t SExposition::Count(const std::string& name) const {
    size_t n = 0;
    for (const SSample& s : samples)
        n += s.name == name;
    return n;
}

bool ParseExposition(const std::string& text, SExposition* out, std::string* error) {
    if (!text.empty() && text.back() != '\n') {
        *error = "the text does not end with a line break";
        return false;
    }
    std::set<std::string> finished;  // families whose samples have ended
    std::string current;
    std::stringstream in(text);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        auto fail = [&](const std::string& why) {
            *error = "line " + std::to_string(number) + " \"" + line + "\": " + why;
            return false;
        };
        if (line.rfind("# HELP ", 0) == 0 || line.rfind("# TYPE ", 0) == 0) {
            size_t at = 7;
            const std::string name = ReadName(line, &at);
            if (name.empty() || at >= line.size() || line[at] != ' ')
                return fail("no family name");
            auto& into = line[2] == 'H' ? out->helps : out->types;
            if (into.count(name) || finished.count(name))
                return fail("a family described twice");
            if (name != current) {
                if (!current.empty())
                    finished.insert(current);
                current = name;
            }
            into[name] = line.substr(at + 1);
            continue;
        }
        SSample s;
        if (line.empty() || line[0] == '#' || !ParseSample(line, &s))
            return fail("not a sample");
        if (s.name != current || !out->types.count(s.name) || !out->helps.count(s.name))
            return fail("a sample outside its family's HELP and TYPE");
        out->samples.push_back(std::move(s));
    }
    return true;
}
