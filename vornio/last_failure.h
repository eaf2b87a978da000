#pragma once
// The library's last-failure description: kept until the next failure, never returned by an
// export. Each failure also composes a diagnostic line, sent to the system log at debug level,
// or to standard error when VORNIO_TRACE is set.

#include <mutex>
#include <string>

class CLastFailure {
  public:
    static constexpr size_t DESCRIPTION_SIZE = 256;

    // Records description with the current errno as its error code.
    void Record(const char* description);
    void Record(const char* description, unsigned errorCode);
    // With what was found, for the user: it follows the line in parentheses.
    void Record(const char* description, unsigned errorCode, const std::string& cause);
    // A start that was refused on purpose (root would run a program others can change): the
    // user needs `message`, not the request to log in as administrator.
    void RecordRefusal(const char* description, const std::string& message);

    std::string Description() const;
    // The cause given with the last failure; "" when none was.
    std::string Cause() const;
    // Whether the last failure was a refusal.
    bool IsRefusal() const;
    std::string DiagnosticLine() const;

  private:
    mutable std::mutex m_mutex;
    char m_description[DESCRIPTION_SIZE] = {};
    std::string m_line;
    std::string m_cause;
    bool m_refusal = false;
};

// Formats "Description: %s, ErrCode:%u".
std::string FormatDiagnosticLine(const char* description, unsigned errorCode);
