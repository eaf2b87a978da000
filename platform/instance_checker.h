#pragma once
// The rule that only one copy of a program runs per user. The first instance holds a small
// file, "CInstanceChecker_MMF_" + the application name, in $XDG_RUNTIME_DIR (or /tmp, with the
// user id appended, when that is unset), locked for as long as the process lives, holding its
// main window handle. The lock dies with the process, so a crashed first instance never keeps
// a later one out.

#include <cstdint>
#include <string>

enum class EInstanceClaim {
    First,           // this process is the first instance now
    AlreadyRunning,  // another live process holds the object
    Failed,          // the object could not be opened
};

class CInstanceChecker {
  public:
    // `dir` "" means $XDG_RUNTIME_DIR, else /tmp.
    explicit CInstanceChecker(const std::string& appName, const std::string& dir = "");

    // Takes the object for this process and stores `windowHandle` in it; the object stays
    // taken until the process exits (or ReleaseForProcess). When another instance has it,
    // *runningHandle (when given) gets that instance's window handle, 0 when it has written
    // none yet. *error says why on Failed.
    EInstanceClaim Claim(uint32_t windowHandle, uint32_t* runningHandle = nullptr,
                         std::string* error = nullptr);

    // Rewrites the handle the first instance holds (when the window is created later).
    bool UpdateHandle(uint32_t windowHandle);

    const std::string& ObjectPath() const { return m_path; }

    // Lets go of the object this process holds; for tests and orderly ends.
    static void ReleaseForProcess();

  private:
    std::string m_path;
};
