#include "notifier.h"

#include <cstdio>

void CStderrNotifier::ShowMessage(const std::string& caption, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}
