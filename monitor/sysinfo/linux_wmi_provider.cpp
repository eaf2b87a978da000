#include "linux_wmi_provider.h"

#include <charconv>
#include <cstdio>
#include <string_view>

#include "pci_display.h"
#include "wbem_status.h"

namespace {

thread_local int t_comUsers = 0;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

// A field of 1 to `maxDigits` decimal digits.
bool ParseField(std::string_view s, size_t maxDigits, int& out) {
    if (s.empty() || s.size() > maxDigits) {
        return false;
    }
    auto [end, err] = std::from_chars(s.data(), s.data() + s.size(), out);
    return err == std::errc() && end == s.data() + s.size();
}

Variant TextOrNull(const std::string& text) {
    return text.empty() ? Variant::Null() : Variant::Text(text);
}

}  // namespace

bool WmiNameLess::operator()(const std::string& a, const std::string& b) const {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        char x = Lower(a[i]);
        char y = Lower(b[i]);
        if (x != y) {
            return x < y;
        }
    }
    return a.size() < b.size();
}

std::string WmiDateFromDmi(const std::string& dmiDate) {
    size_t s1 = dmiDate.find('/');
    size_t s2 = s1 == std::string::npos ? s1 : dmiDate.find('/', s1 + 1);
    if (s2 == std::string::npos) {
        return {};
    }
    std::string_view text = dmiDate;
    int month = 0;
    int day = 0;
    int year = 0;
    std::string_view yearText = text.substr(s2 + 1);
    if (!ParseField(text.substr(0, s1), 2, month) ||
        !ParseField(text.substr(s1 + 1, s2 - s1 - 1), 2, day) ||
        (yearText.size() != 2 && yearText.size() != 4) || !ParseField(yearText, 4, year) ||
        month < 1 || month > 12 || day < 1 || day > 31) {
        return {};
    }
    if (yearText.size() == 2) {
        year += 1900;
    }
    char out[32];
    std::snprintf(out, sizeof out, "%04d%02d%02d000000.000000+000", year, month, day);
    return out;
}

CLinuxWmiProvider::CLinuxWmiProvider(DmiSources dmi, std::string pciRoot)
    : m_dmi(std::move(dmi)), m_pciRoot(std::move(pciRoot)) {}

int CLinuxWmiProvider::ComUsers() {
    return t_comUsers;
}

uint32_t CLinuxWmiProvider::StartCom() {
    return ++t_comUsers == 1 ? WBEM_S_NO_ERROR : WBEM_S_FALSE;
}

uint32_t CLinuxWmiProvider::SetComSecurity() {
    return WBEM_S_NO_ERROR;
}

void CLinuxWmiProvider::EndCom() {
    if (t_comUsers > 0) {
        --t_comUsers;
    }
}

uint32_t CLinuxWmiProvider::Connect(const std::string& nameSpace) {
    m_connected = EqualsNoCase(nameSpace, WMI_NAMESPACE);
    return m_connected ? WBEM_S_NO_ERROR : WBEM_E_INVALID_NAMESPACE;
}

uint32_t CLinuxWmiProvider::EnumerateInstances(const std::string& className,
                                               std::vector<WmiInstance>& instances) {
    instances.clear();
    if (!m_connected) {
        return WBEM_E_FAILED;
    }
    if (EqualsNoCase(className, "Win32_BaseBoard")) {
        DmiFacts facts = ReadDmiFacts(m_dmi);
        if (facts.hasBoard) {
            instances.push_back({{"Product", TextOrNull(facts.boardProduct)},
                                 {"Manufacturer", TextOrNull(facts.boardManufacturer)}});
        }
    } else if (EqualsNoCase(className, "Win32_Bios")) {
        DmiFacts facts = ReadDmiFacts(m_dmi);
        if (facts.hasBios) {
            instances.push_back({{"Manufacturer", TextOrNull(facts.biosVendor)},
                                 {"ReleaseDate", TextOrNull(WmiDateFromDmi(facts.biosDate))}});
        }
    } else if (EqualsNoCase(className, "Win32_VideoController")) {
        if (auto adapter = FindDisplayAdapter(m_pciRoot)) {
            instances.push_back({{"PNPDeviceID", Variant::Text(PnpDeviceId(*adapter))}});
        }
    } else if (EqualsNoCase(className, "Win32_OperatingSystem")) {
        instances.push_back({{"CSDVersion", Variant::Text("")}});
    } else {
        return WBEM_E_INVALID_CLASS;
    }
    return WBEM_S_NO_ERROR;
}
