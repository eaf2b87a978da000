#pragma once
// Only one monitor window per user: the first instance keeps its message window's handle in the
// per-user instance object; a later start tells that window to come forward through a real
// message and ends. A handle is used only when its queue is a socket of this user's in the
// instance object's folder, so a stale handle reaches nothing else.

#include <QObject>
#include <QSocketNotifier>
#include <memory>
#include <string>

#include "instance_checker.h"
#include "message_window.h"

// The message a later start posts to the first instance's window.
inline constexpr uint32_t BRING_FORWARD_MESSAGE = 0x8001;

enum class EWindowInstance { First, BroughtForward, AlreadyRunning, Failed };

class CSingleInstance : public QObject {
    Q_OBJECT
  public:
    explicit CSingleInstance(const std::string& appName, const std::string& dir = "");
    // First: this process is the first and listens for later starts (once a QCoreApplication
    // exists, call Listen). Otherwise the first instance was told (BroughtForward) or could
    // not be (AlreadyRunning: no usable handle yet); Failed when the object cannot be used,
    // in which case the program runs anyway.
    EWindowInstance Claim(std::string* error = nullptr);
    void Listen();
    const std::string& Folder() const { return m_dir; }

  signals:
    void BringForward();

  private:
    CInstanceChecker m_checker;
    std::string m_dir;
    CMessageWindow m_window;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

// Posts `message` to `handle` in `dir` only when its queue is this user's socket.
bool PostToOwnWindow(const std::string& dir, uint32_t handle, uint32_t message);
