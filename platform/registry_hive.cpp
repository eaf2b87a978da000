#include "registry_hive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "atomic_file.h"
#include "xdg_paths.h"

namespace {

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";
constexpr std::string_view DWORD_PREFIX = "dword:";
// Far above any settings file the program writes (a few kilobytes).
constexpr off_t MAX_HIVE_SIZE = off_t{4} << 20;

std::string Fold(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

bool EqualsFolded(std::string_view a, std::string_view b) {
    return a.size() == b.size() && Fold(a) == Fold(b);
}

// A name or text the line-based format can carry.
bool IsStorable(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string_view Trim(std::string_view s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) {
        return {};
    }
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

std::string Quote(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
    return out;
}

// Reads a quoted string starting at s[pos] == '"'; on success pos is just past the closing quote.
bool Unquote(std::string_view s, size_t& pos, std::string& out) {
    out.clear();
    for (size_t i = pos + 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            pos = i + 1;
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) {
                return false;
            }
            c = s[++i];
        }
        out += c;
    }
    return false;
}

std::optional<uint32_t> ParseDword(std::string_view digits) {
    // Always eight digits as written; fewer is a value cut short or typed wrong.
    if (digits.size() != 8) {
        return std::nullopt;
    }
    uint32_t v = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        v = (v << 4) | static_cast<uint32_t>(d);
    }
    return v;
}

bool SetError(HiveError* error, EHiveError kind, int line, std::string message) {
    if (error != nullptr) {
        error->kind = kind;
        error->line = line;
        error->message = std::move(message);
    }
    return false;
}

}  // namespace

std::string CRegistryHive::UserHivePath() {
    return XdgConfigHome() + "/vornpilot/registry.reg";
}

std::string CRegistryHive::MachineHivePath() {
    return "/etc/vornpilot/registry.reg";
}

std::optional<CRegistryHive::KeyId> CRegistryHive::MakeKeyId(std::string_view path) {
    KeyId id;
    size_t start = 0;
    while (true) {
        size_t end = path.find('\\', start);
        std::string_view part = path.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (part.empty()) {
            return std::nullopt;
        }
        for (char c : part) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                return std::nullopt;
            }
        }
        id.push_back(Fold(part));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return id;
}

const CRegistryHive::Key* CRegistryHive::FindKey(std::string_view path) const {
    auto id = MakeKeyId(path);
    if (!id) {
        return nullptr;
    }
    auto it = m_keys.find(*id);
    return it == m_keys.end() ? nullptr : &it->second;
}

CRegistryHive::Key* CRegistryHive::FindOrCreateKey(std::string_view path) {
    auto id = MakeKeyId(path);
    if (!id) {
        return nullptr;
    }
    // Parents exist whenever a child does, as in the registry itself.
    KeyId prefix;
    size_t end = 0;
    Key* key = nullptr;
    for (const std::string& part : *id) {
        prefix.push_back(part);
        end += (prefix.size() > 1 ? 1 : 0) + part.size();
        auto [it, inserted] = m_keys.try_emplace(prefix);
        if (inserted) {
            it->second.path = std::string(path.substr(0, end));
            m_modified = true;
        }
        key = &it->second;
    }
    return key;
}

void CRegistryHive::Clear() {
    if (!m_keys.empty()) {
        m_modified = true;
    }
    m_keys.clear();
}

bool CRegistryHive::Load(const std::string& path, HiveError* error,
                         std::vector<HiveError>* skipped) {
    // Not blocking: a FIFO at the path must not hang the program in open.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        int err = errno;
        return SetError(error, err == ENOENT ? EHiveError::Missing : EHiveError::Unreadable, 0,
                        path + ": " + std::strerror(err));
    }
    // A device (a link to /dev/zero) or a huge file would be read forever or whole.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return SetError(error, EHiveError::Unreadable, 0, path + ": not a regular file");
    }
    if (st.st_size > MAX_HIVE_SIZE) {
        ::close(fd);
        return SetError(error, EHiveError::Unreadable, 0,
                        path + ": larger than " + std::to_string(MAX_HIVE_SIZE >> 20) + " MiB");
    }
    std::string text;
    char buf[8192];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) != 0) {
        if (n > 0 && text.size() + static_cast<size_t>(n) > static_cast<size_t>(MAX_HIVE_SIZE)) {
            ::close(fd);
            return SetError(error, EHiveError::Unreadable, 0, path + ": grew while being read");
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            int err = errno;
            ::close(fd);
            return SetError(error, EHiveError::Unreadable, 0, path + ": " + std::strerror(err));
        }
        text.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return Parse(text, error, skipped);
}

bool CRegistryHive::Parse(std::string_view text, HiveError* error,
                          std::vector<HiveError>* skipped) {
    if (text.substr(0, UTF8_BOM.size()) == UTF8_BOM) {
        text.remove_prefix(UTF8_BOM.size());
    }
    if (skipped != nullptr) {
        skipped->clear();
    }
    CRegistryHive parsed;
    Key* current = nullptr;
    bool seenHeader = false;
    int lineNo = 0;
    size_t pos = 0;
    // A bad line fails the whole text, or, when salvaging, is listed and passed over.
    auto bad = [&](const char* message) {
        if (skipped == nullptr) {
            return SetError(error, EHiveError::Malformed, lineNo, message);
        }
        skipped->push_back(HiveError{EHiveError::Malformed, lineNo, message});
        return true;
    };
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        std::string_view raw =
            text.substr(pos, eol == std::string_view::npos ? std::string_view::npos : eol - pos);
        pos = eol == std::string_view::npos ? text.size() : eol + 1;
        ++lineNo;
        if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
        }
        std::string_view line = Trim(raw);
        if (line.empty()) {
            continue;
        }
        if (!seenHeader) {
            if (line != HEADER) {
                return SetError(error, EHiveError::Malformed, lineNo,
                                "expected \"" + std::string(HEADER) + "\"");
            }
            seenHeader = true;
            continue;
        }
        if (line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            // The values under a key line that does not read belong to no key that is known.
            current = nullptr;
            if (line.back() != ']' || line.size() < 3 || line[1] == '-') {
                if (!bad("bad key line")) {
                    return false;
                }
                continue;
            }
            current = parsed.FindOrCreateKey(line.substr(1, line.size() - 2));
            if (current == nullptr && !bad("bad key name")) {
                return false;
            }
            continue;
        }
        if (line[0] != '"' && line[0] != '@') {
            if (!bad("neither a key nor a value")) {
                return false;
            }
            continue;
        }
        if (current == nullptr) {
            if (!bad("value outside a key")) {
                return false;
            }
            continue;
        }
        std::string name;  // "@" names the key's default value, whose name is empty
        size_t at = 1;
        if (line[0] == '"') {
            at = 0;
            if (!Unquote(line, at, name)) {
                if (!bad("bad value name")) {
                    return false;
                }
                continue;
            }
        }
        std::string_view rest = Trim(line.substr(at));
        if (rest.empty() || rest[0] != '=') {
            if (!bad("missing '='")) {
                return false;
            }
            continue;
        }
        rest = Trim(rest.substr(1));
        RegistryValue value;
        if (!rest.empty() && rest[0] == '"') {
            size_t end = 0;
            if (!Unquote(rest, end, value.text) || end != rest.size()) {
                if (!bad("bad string value")) {
                    return false;
                }
                continue;
            }
        } else if (EqualsFolded(rest.substr(0, DWORD_PREFIX.size()), DWORD_PREFIX)) {
            auto v = ParseDword(rest.substr(DWORD_PREFIX.size()));
            if (!v) {
                if (!bad("bad dword value")) {
                    return false;
                }
                continue;
            }
            value.type = ERegType::Dword;
            value.dword = *v;
        } else {
            if (!bad("unsupported value type")) {
                return false;
            }
            continue;
        }
        // A value with a NUL or a carriage return in it cannot be written back: it is dropped
        // (and listed, when salvaging).
        if (!parsed.SetValue(current->path, name, value) && skipped != nullptr) {
            bad("value the file cannot hold");
        }
    }
    if (!seenHeader) {
        return SetError(error, EHiveError::Malformed, lineNo == 0 ? 1 : lineNo,
                        "expected \"" + std::string(HEADER) + "\"");
    }
    m_keys = std::move(parsed.m_keys);
    m_modified = skipped != nullptr && !skipped->empty();
    if (error != nullptr) {
        *error = HiveError{};
    }
    return true;
}

std::string CRegistryHive::Serialize() const {
    std::string out(HEADER);
    out += "\n\n";
    for (const auto& [id, key] : m_keys) {
        out += "[" + key.path + "]\n";
        for (const Value& v : key.values) {
            out += v.name.empty() ? "@" : Quote(v.name);
            out += '=';
            if (v.value.type == ERegType::String) {
                out += Quote(v.value.text);
            } else {
                char digits[9];
                std::snprintf(digits, sizeof digits, "%08x", v.value.dword);
                out += DWORD_PREFIX;
                out += digits;
            }
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

bool CRegistryHive::Save(const std::string& path, std::string* error) {
    if (!AtomicWriteFile(path, Serialize(), error)) {
        return false;
    }
    m_modified = false;
    return true;
}

bool CRegistryHive::KeyExists(std::string_view key) const {
    return FindKey(key) != nullptr;
}

bool CRegistryHive::CreateKey(std::string_view key) {
    return FindOrCreateKey(key) != nullptr;
}

bool CRegistryHive::DeleteKey(std::string_view key) {
    auto id = MakeKeyId(key);
    if (!id || m_keys.find(*id) == m_keys.end()) {
        return false;
    }
    // Subkeys follow their key directly in tree order.
    auto it = m_keys.find(*id);
    while (it != m_keys.end() && it->first.size() >= id->size() &&
           std::equal(id->begin(), id->end(), it->first.begin())) {
        it = m_keys.erase(it);
    }
    m_modified = true;
    return true;
}

std::vector<std::string> CRegistryHive::ListSubkeys(std::string_view key) const {
    std::vector<std::string> names;
    auto id = MakeKeyId(key);
    if (!id) {
        return names;
    }
    auto it = m_keys.upper_bound(*id);
    for (; it != m_keys.end() && it->first.size() > id->size() &&
           std::equal(id->begin(), id->end(), it->first.begin());
         ++it) {
        if (it->first.size() == id->size() + 1) {
            const std::string& path = it->second.path;
            names.push_back(path.substr(path.rfind('\\') + 1));
        }
    }
    return names;
}

std::vector<std::string> CRegistryHive::ListValues(std::string_view key) const {
    std::vector<std::string> names;
    if (const Key* k = FindKey(key)) {
        for (const Value& v : k->values) {
            names.push_back(v.name);
        }
    }
    return names;
}

std::optional<RegistryValue> CRegistryHive::GetValue(std::string_view key,
                                                     std::string_view name) const {
    const Key* k = FindKey(key);
    if (k == nullptr) {
        return std::nullopt;
    }
    for (const Value& v : k->values) {
        if (EqualsFolded(v.name, name)) {
            return v.value;
        }
    }
    return std::nullopt;
}

std::optional<std::string> CRegistryHive::GetString(std::string_view key,
                                                    std::string_view name) const {
    auto v = GetValue(key, name);
    if (!v || v->type != ERegType::String) {
        return std::nullopt;
    }
    return v->text;
}

std::optional<uint32_t> CRegistryHive::GetDword(std::string_view key, std::string_view name) const {
    auto v = GetValue(key, name);
    if (!v || v->type != ERegType::Dword) {
        return std::nullopt;
    }
    return v->dword;
}

bool CRegistryHive::SetValue(std::string_view key, std::string_view name,
                             const RegistryValue& value) {
    if (!IsStorable(name) || (value.type == ERegType::String && !IsStorable(value.text))) {
        return false;
    }
    Key* k = FindOrCreateKey(key);
    if (k == nullptr) {
        return false;
    }
    m_modified = true;
    for (Value& v : k->values) {
        if (EqualsFolded(v.name, name)) {
            v.value = value;
            return true;
        }
    }
    k->values.push_back(Value{std::string(name), value});
    return true;
}

bool CRegistryHive::SetString(std::string_view key, std::string_view name, std::string_view text) {
    return SetValue(key, name, RegistryValue{ERegType::String, std::string(text), 0});
}

bool CRegistryHive::SetDword(std::string_view key, std::string_view name, uint32_t value) {
    return SetValue(key, name, RegistryValue{ERegType::Dword, {}, value});
}

bool CRegistryHive::DeleteValue(std::string_view key, std::string_view name) {
    auto id = MakeKeyId(key);
    if (!id) {
        return false;
    }
    auto it = m_keys.find(*id);
    if (it == m_keys.end()) {
        return false;
    }
    auto& values = it->second.values;
    for (auto v = values.begin(); v != values.end(); ++v) {
        if (EqualsFolded(v->name, name)) {
            values.erase(v);
            m_modified = true;
            return true;
        }
    }
    return false;
}
