#pragma once
// Which files the XML layer may read: while a scope is active on a thread, only regular files
// below its folder, by local path (a skin's stylesheet reading its includes and documents).
// Without one nothing is read: parsing a definition or a report never opens another file. Links
// count where they lead. libxml2's external entity loader and libxslt's read check both ask
// here; network reads and every write are refused outright (InitLibxml).

#include <string>

class CXmlReadScope {
  public:
    // An empty folder, or one that does not exist, allows nothing.
    explicit CXmlReadScope(const std::string& folder);
    ~CXmlReadScope();
    CXmlReadScope(const CXmlReadScope&) = delete;
    CXmlReadScope& operator=(const CXmlReadScope&) = delete;

  private:
    std::string m_previous;
};

// Whether `url` (an absolute path or a file: URL) names a regular file below the folder of the
// scope active on this thread.
bool MayReadXmlFile(const std::string& url);

// The local path a file: URL or a path stands for; "" for other schemes and relative names.
std::string XmlLocalPath(const std::string& url);

// Puts the checks into libxml2 and libxslt (the loader is put back by every scope, in case
// something else in the process replaced it).
void InstallXmlReadChecks();
