#pragma once
// The primary screen's mode. The core has no toolkit of its own: a front end with one supplies
// its screen, and the default asks the X display when there is one.

#include <optional>

struct DisplayMode {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;  // 0 when the mode cannot be read
};

class IDisplayInfo {
  public:
    virtual ~IDisplayInfo() = default;
    // nullopt when there is no screen.
    virtual std::optional<DisplayMode> PrimaryMode() = 0;
};

// Xlib, loaded at run time so the program needs no X to build or to run without a display.
// Nothing when $DISPLAY is unset, libX11 cannot be loaded or the display cannot be opened.
class CXlibDisplayInfo : public IDisplayInfo {
  public:
    std::optional<DisplayMode> PrimaryMode() override;
};
