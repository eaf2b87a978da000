#pragma once
// Where the status page hands its list of sensors in warning after every update.

#include <string>
#include <vector>

class IWarningLog {
  public:
    virtual ~IWarningLog() = default;
    // The page hands its warning text over only while this is true.
    virtual bool IsOn() const = 0;
    // `text`: the warning list as plain text; `names`: the names of the items in warning, in
    // page order (empty when none is).
    virtual void LogWarning(const std::string& text, const std::vector<std::string>& names) = 0;
};
