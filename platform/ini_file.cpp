#include "ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "atomic_file.h"

namespace {

constexpr std::string_view BLANKS = " \t\r\n\v\f";
constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
    size_t b = s.find_first_not_of(BLANKS);
    if (b == std::string_view::npos)
        return {};
    size_t e = s.find_last_not_of(BLANKS);
    return s.substr(b, e - b + 1);
}

char FoldChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldChar(a[i]) != FoldChar(b[i]))
            return false;
    }
    return true;
}

// One pair of matching enclosing quotes goes, as the private-profile reader drops them.
std::string Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

namespace {
constexpr off_t MAX_FILE_SIZE = off_t{16} << 20;
}  // namespace

bool CIniFile::Load(const std::string& path, std::string* error) {
    m_lines.clear();
    m_crlf = false;
    m_bom = false;
    // Not blocking, and only a regular file of sane size: a FIFO or a link to a device at the
    // path (an error log, a board file) must not hang the program or fill its memory.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT)
            return true;
        if (error != nullptr)
            *error = path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > MAX_FILE_SIZE) {
        ::close(fd);
        if (error != nullptr)
            *error = path + ": not a regular file of at most 16 MiB";
        errno = EINVAL;
        return false;
    }
    std::string text;
    char buf[8192];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof(buf));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            if (error != nullptr)
                *error = path + ": " + std::strerror(err);
            return false;
        }
        if (n == 0)
            break;
        if (text.size() + static_cast<size_t>(n) > static_cast<size_t>(MAX_FILE_SIZE)) {
            ::close(fd);
            if (error != nullptr)
                *error = path + ": grew while being read";
            errno = EFBIG;
            return false;
        }
        text.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    Parse(text);
    return true;
}

void CIniFile::Parse(std::string_view text) {
    m_lines.clear();
    m_crlf = false;
    // An editor's byte-order mark must not hide the first section.
    m_bom = text.substr(0, UTF8_BOM.size()) == UTF8_BOM;
    if (m_bom)
        text.remove_prefix(UTF8_BOM.size());
    std::string section;
    size_t pos = 0;
    bool first = true;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        std::string_view raw =
            text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        pos = end == std::string_view::npos ? text.size() : end + 1;
        if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
            if (first)
                m_crlf = true;
        }
        first = false;

        Line line;
        line.text = std::string(raw);
        std::string_view t = Trim(raw);
        if (!t.empty() && t.front() == '[') {
            size_t close = t.find(']');
            std::string_view name =
                close == std::string_view::npos ? t.substr(1) : t.substr(1, close - 1);
            section = std::string(Trim(name));
            line.isSection = true;
        } else if (!t.empty() && t.front() != ';') {
            size_t eq = t.find('=');
            if (eq != std::string_view::npos) {
                line.isKey = true;
                line.key = std::string(Trim(t.substr(0, eq)));
                line.value = Unquote(Trim(t.substr(eq + 1)));
            }
        }
        line.section = section;
        m_lines.push_back(std::move(line));
    }
}

std::string CIniFile::Serialize() const {
    std::string out(m_bom ? UTF8_BOM : "");
    const char* eol = m_crlf ? "\r\n" : "\n";
    for (const Line& l : m_lines) {
        out += l.text;
        out += eol;
    }
    return out;
}

bool CIniFile::Save(const std::string& path, std::string* error) const {
    return AtomicWriteFile(path, Serialize(), error);
}

bool CIniFile::HasSection(std::string_view section) const {
    for (const Line& l : m_lines) {
        if (l.isSection && SameName(l.section, section))
            return true;
    }
    return false;
}

const CIniFile::Line* CIniFile::FindKey(std::string_view section, std::string_view key) const {
    // The first section of that name answers, as the private-profile reader does.
    size_t i = 0;
    while (i < m_lines.size() && !(m_lines[i].isSection && SameName(m_lines[i].section, section)))
        ++i;
    for (++i; i < m_lines.size() && !m_lines[i].isSection; ++i) {
        if (m_lines[i].isKey && SameName(m_lines[i].key, key))
            return &m_lines[i];
    }
    return nullptr;
}

bool CIniFile::HasKey(std::string_view section, std::string_view key) const {
    return FindKey(section, key) != nullptr;
}

std::optional<std::string> CIniFile::GetString(std::string_view section,
                                               std::string_view key) const {
    const Line* l = FindKey(section, key);
    if (l == nullptr)
        return std::nullopt;
    return l->value;
}

int32_t CIniFile::GetInt(std::string_view section, std::string_view key, int32_t fallback) const {
    const Line* l = FindKey(section, key);
    if (l == nullptr || l->value.empty())
        return fallback;
    return ParseInt(l->value);
}

int32_t CIniFile::ParseInt(std::string_view value) {
    std::string_view v = Trim(value);
    bool negative = false;
    if (!v.empty() && (v.front() == '-' || v.front() == '+')) {
        negative = v.front() == '-';
        v.remove_prefix(1);
    }
    int64_t n = 0;
    constexpr int64_t LIMIT = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (char c : v) {
        if (c < '0' || c > '9')
            break;
        n = n * 10 + (c - '0');
        if (n > LIMIT)
            n = LIMIT;
    }
    if (negative)
        return static_cast<int32_t>(-n);
    return static_cast<int32_t>(
        n > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max() : n);
}

bool CIniFile::SetString(std::string_view section, std::string_view key, std::string_view value) {
    std::string_view s = Trim(section);
    std::string_view k = Trim(key);
    if (s.empty() || k.empty() || HasLineBreakOrNul(section) || HasLineBreakOrNul(key) ||
        HasLineBreakOrNul(value) || s.find(']') != std::string_view::npos ||
        k.find('=') != std::string_view::npos || k.front() == ';' || k.front() == '[') {
        return false;
    }
    std::string v(Trim(value));

    // Where the section starts and where its last key line is.
    size_t header = m_lines.size();
    size_t insertAt = m_lines.size();
    for (size_t i = 0; i < m_lines.size(); ++i) {
        Line& l = m_lines[i];
        if (l.isSection) {
            if (header != m_lines.size())
                break;  // past the first section of that name
            if (SameName(l.section, s)) {
                header = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (header == m_lines.size())
            continue;
        if (l.isKey && SameName(l.key, k)) {
            l.value = v;
            l.text = l.key + "=" + v;
            return true;
        }
        if (l.isKey)
            insertAt = i + 1;
    }

    Line keyLine;
    keyLine.isKey = true;
    keyLine.key = std::string(k);
    keyLine.value = v;
    keyLine.text = keyLine.key + "=" + v;
    if (header == m_lines.size()) {
        Line sectionLine;
        sectionLine.isSection = true;
        sectionLine.section = std::string(s);
        sectionLine.text = "[" + sectionLine.section + "]";
        keyLine.section = sectionLine.section;
        m_lines.push_back(std::move(sectionLine));
        m_lines.push_back(std::move(keyLine));
        return true;
    }
    keyLine.section = m_lines[header].section;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(keyLine));
    return true;
}
