#include "info_rules.h"

#include <cctype>
#include <string_view>

namespace {

void ReplaceAll(std::string& s, std::string_view from, std::string_view to) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
        s.replace(at, from.size(), to);
    }
}

std::string TrimSpace(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) {
        ++b;
    }
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) {
        --e;
    }
    return s.substr(b, e - b);
}

struct DirectXRule {
    bool exact;
    std::string_view version;
    std::string_view answer;
};

// The first rule that applies wins.
constexpr DirectXRule DIRECTX_RULES[] = {
    {false, "4.05", "5.0"},         {false, "4.06", "6.0"},         {false, "4.07", "7.0"},
    {true, "4.08.01.0810", "8.1"},  {true, "4.08.01.0881", "8.1"},  {true, "4.08.01.0901", "8.1a"},
    {true, "4.08.02.0134", "8.2"},  {false, "4.08", "8.0"},         {true, "4.09.00.0900", "9.0"},
    {true, "4.09.00.0901", "9.0a"}, {true, "4.09.00.0902", "9.0b"},
};

}  // namespace

std::string NormalizeBoardModel(std::string model) {
    size_t paren = model.find('(');
    if (paren != std::string::npos) {
        model.resize(paren);
    }
    if (model.find("//") != std::string::npos) {
        ReplaceAll(model, "/", "_");
    }
    size_t end = model.find_last_not_of(' ');
    model.resize(end == std::string::npos ? 0 : end + 1);
    size_t begin = model.find_first_not_of(' ');
    model.erase(0, begin == std::string::npos ? model.size() : begin);
    return model;
}

std::string VgaIdFromDeviceId(const std::string& deviceId) {
    long s = static_cast<long>(deviceId.find("SUBSYS"));  // -1 when missing
    long r = static_cast<long>(deviceId.find("&REV"));
    long length = r - s;
    if (length < 0) {
        return "";
    }
    size_t start = s < 0 ? 0 : static_cast<size_t>(s);
    return deviceId.substr(start, static_cast<size_t>(length));
}

std::string ServicePackText(const std::string& csdVersion) {
    if (csdVersion.empty()) {
        return "";
    }
    std::string text = csdVersion;
    ReplaceAll(text, "Service Pack", "");
    return "SP" + TrimSpace(text);
}

std::string BiosDateText(const std::string& wmiDate, bool addCentury) {
    if (wmiDate.size() < 8) {
        return "";
    }
    for (size_t i = 0; i < 8; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(wmiDate[i]))) {
            return "";
        }
    }
    std::string year = wmiDate.substr(0, 4);
    if (addCentury) {
        year = std::to_string(std::stoi(year) + 100);
    }
    return wmiDate.substr(4, 2) + "/" + wmiDate.substr(6, 2) + "/" + year;
}

std::string DirectXVersionText(const std::string& version) {
    for (const auto& rule : DIRECTX_RULES) {
        if (rule.exact ? version == rule.version
                       : version.find(rule.version) != std::string::npos) {
            return std::string(rule.answer);
        }
    }
    return version;
}

std::string TickCountText(uint64_t milliseconds) {
    return std::to_string(static_cast<int32_t>(static_cast<uint32_t>(milliseconds)));
}

std::string DateText(const std::tm& t) {
    return std::to_string(t.tm_mon + 1) + "/" + std::to_string(t.tm_mday) + "/" +
           std::to_string(t.tm_year + 1900);
}

std::string TimeText(const std::tm& t) {
    return std::to_string(t.tm_hour) + ":" + std::to_string(t.tm_min) + ":" +
           std::to_string(t.tm_sec);
}
