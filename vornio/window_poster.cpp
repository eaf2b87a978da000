#include "window_poster.h"

#include "window_message.h"

bool CWindowPoster::Post(uint32_t window, uint32_t message, uint32_t wParam, int32_t lParam) {
    return PostWindowMessage(m_dir, {window, message, wParam, lParam});
}
