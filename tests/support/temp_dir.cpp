#include "temp_dir.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

// Socket paths must stay well under the 108 bytes of sockaddr_un.
constexpr size_t MAX_BASE_LENGTH = 60;

}  // namespace

CTempDir::CTempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string root = base && *base && std::string(base).size() < MAX_BASE_LENGTH ? base : "/tmp";
    std::string pattern = root + "/vorn-test-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed in " + root);
    m_path = pattern;
}

CTempDir::~CTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

bool CTempDir::WriteFile(const std::string& name, const std::string& content) const {
    std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out.flush());
}
