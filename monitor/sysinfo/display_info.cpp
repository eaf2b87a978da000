#include "display_info.h"

#include <dlfcn.h>

#include <cstdlib>

namespace {

// The few Xlib entry points used, declared here so no X headers are needed. The display is
// opaque to us.
struct XPixmapFormatValues {
    int depth;
    int bits_per_pixel;
    int scanline_pad;
};
using XOpenDisplayFn = void* (*)(const char*);
using XCloseDisplayFn = int (*)(void*);
using XDefaultScreenFn = int (*)(void*);
using XScreenQueryFn = int (*)(void*, int);
using XListPixmapFormatsFn = XPixmapFormatValues* (*)(void*, int*);
using XFreeFn = int (*)(void*);

class CLibrary {
  public:
    explicit CLibrary(const char* name) : m_handle(::dlopen(name, RTLD_NOW | RTLD_LOCAL)) {}
    ~CLibrary() {
        if (m_handle != nullptr) {
            ::dlclose(m_handle);
        }
    }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;

    bool IsLoaded() const { return m_handle != nullptr; }
    template <typename Fn>
    Fn Get(const char* symbol) const {
        return reinterpret_cast<Fn>(::dlsym(m_handle, symbol));
    }

  private:
    void* m_handle;
};

}  // namespace

std::optional<DisplayMode> CXlibDisplayInfo::PrimaryMode() {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        return std::nullopt;
    }
    CLibrary x11("libX11.so.6");
    if (!x11.IsLoaded()) {
        return std::nullopt;
    }
    auto openDisplay = x11.Get<XOpenDisplayFn>("XOpenDisplay");
    auto closeDisplay = x11.Get<XCloseDisplayFn>("XCloseDisplay");
    auto defaultScreen = x11.Get<XDefaultScreenFn>("XDefaultScreen");
    auto displayWidth = x11.Get<XScreenQueryFn>("XDisplayWidth");
    auto displayHeight = x11.Get<XScreenQueryFn>("XDisplayHeight");
    auto defaultDepth = x11.Get<XScreenQueryFn>("XDefaultDepth");
    auto listPixmapFormats = x11.Get<XListPixmapFormatsFn>("XListPixmapFormats");
    auto xFree = x11.Get<XFreeFn>("XFree");
    if (!openDisplay || !closeDisplay || !defaultScreen || !displayWidth || !displayHeight ||
        !defaultDepth || !listPixmapFormats || !xFree) {
        return std::nullopt;
    }
    void* dpy = openDisplay(nullptr);
    if (dpy == nullptr) {
        return std::nullopt;
    }
    int screen = defaultScreen(dpy);
    DisplayMode mode;
    mode.width = displayWidth(dpy, screen);
    mode.height = displayHeight(dpy, screen);
    // The bits a pixel takes in memory (32 for a 24-bit deep screen), as a display mode counts.
    int depth = defaultDepth(dpy, screen);
    int count = 0;
    if (XPixmapFormatValues* formats = listPixmapFormats(dpy, &count)) {
        for (int i = 0; i < count; ++i) {
            if (formats[i].depth == depth) {
                mode.bitsPerPixel = formats[i].bits_per_pixel;
            }
        }
        xFree(formats);
    }
    closeDisplay(dpy);
    return mode;
}
