#pragma once
// What the monitor asks of its tray icon: the warning animation, the normal icon, and the check
// mark of the error log's "Record" menu entry. The GUI's tray icon provides it; the console has
// no tray.

// The normal icon and the warning frame of the animation.
enum class ETrayIcon { Normal, Warning };

class ITrayIcon {
  public:
    virtual ~ITrayIcon() = default;
    // Steps through the icon frames every `stepMs` milliseconds for `periodSeconds` seconds
    // (0xFFFFFFFF: until stopped).
    virtual bool Animate(unsigned stepMs, unsigned periodSeconds) = 0;
    virtual void StopAnimation() = 0;
    virtual bool SetIcon(ETrayIcon icon) = 0;
    // Whether the error log records (the "Record" check mark).
    virtual void SetErrorLogFlag(bool on) = 0;
};
