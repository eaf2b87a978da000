#include "log.h"

#include <cstdarg>
#include <cstdio>

void IodLog(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::fprintf(stderr, "vorn-iod: %s\n", line);
}
