#include "last_failure.h"

#include <syslog.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

std::string FormatDiagnosticLine(const char* description, unsigned errorCode) {
    char line[CLastFailure::DESCRIPTION_SIZE + 64];
    std::snprintf(line, sizeof(line), "Description: %s, ErrCode:%u", description, errorCode);
    return line;
}

void CLastFailure::Record(const char* description) {
    Record(description, static_cast<unsigned>(errno));
}

void CLastFailure::Record(const char* description, unsigned errorCode) {
    Record(description, errorCode, "");
}

void CLastFailure::Record(const char* description, unsigned errorCode, const std::string& cause) {
    // The caller's errno still tells its own caller what failed (a busy service, say).
    const int saved = errno;
    std::string line = FormatDiagnosticLine(description, errorCode);
    if (!cause.empty())
        line += " (" + cause + ")";
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::snprintf(m_description, sizeof(m_description), "%s", description);
        m_line = line;
        m_cause = cause;
        m_refusal = false;
    }
    if (std::getenv("VORNIO_TRACE")) {
        std::fprintf(stderr, "vorn-io: %s\n", line.c_str());
    } else {
        syslog(LOG_DEBUG, "%s", line.c_str());
    }
    errno = saved;
}

void CLastFailure::RecordRefusal(const char* description, const std::string& message) {
    Record(description, EPERM, message);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_refusal = true;
}

bool CLastFailure::IsRefusal() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_refusal;
}

std::string CLastFailure::Description() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_description;
}

std::string CLastFailure::Cause() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_cause;
}

std::string CLastFailure::DiagnosticLine() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_line;
}
