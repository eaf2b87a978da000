#include "path.h"

namespace {
std::string Part(const std::string& s) {
    return s.substr(0, CPATH::PART_MAX);
}
}  // namespace

bool CPATH::Run(const std::string& modulePath, INotifier& notifier) {
    m_drive.clear();
    m_dir.clear();
    m_fileName.clear();
    m_ext.clear();
    if (modulePath.empty()) {
        notifier.ShowMessage("Error", "Error in CPATH::Run()");
        return false;
    }
    size_t slash = modulePath.rfind('/');
    std::string name = slash == std::string::npos ? modulePath : modulePath.substr(slash + 1);
    m_dir = Part(slash == std::string::npos ? "" : modulePath.substr(0, slash + 1));
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        m_fileName = Part(name);
    } else {
        m_fileName = Part(name.substr(0, dot));
        m_ext = Part(name.substr(dot));
    }
    return true;
}
