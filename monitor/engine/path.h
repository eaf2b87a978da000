#pragma once
// The program file's full path split into its parts, taken once. Linux paths have no drive, so
// Drive() is always "".

#include <string>

#include "notifier.h"

class CPATH {
  public:
    // Each part holds at most 511 bytes, like the buffers it mirrors.
    static constexpr size_t PART_MAX = 511;

    // Splits `modulePath`; an empty path (the module file name could not be read) shows
    // "Error in CPATH::Run()" and leaves every part empty.
    bool Run(const std::string& modulePath, INotifier& notifier);

    const std::string& Drive() const { return m_drive; }
    const std::string& Dir() const { return m_dir; }  // ends with "/"
    const std::string& FileName() const { return m_fileName; }
    const std::string& Ext() const { return m_ext; }  // with its dot

  private:
    std::string m_drive;
    std::string m_dir;
    std::string m_fileName;
    std::string m_ext;
};
