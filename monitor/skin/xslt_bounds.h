#pragma once
// The bounds a skin's stylesheet runs within. It runs in a helper process of its own (vorn-xslt,
// beside the program), which sets the processor-time and memory limits on itself; the window
// waits for it without stopping and takes no more than XSLT_MAX_OUTPUT_BYTES of page from it.

#include <cstddef>

inline constexpr const char* XSLT_HELPER_NAME = "vorn-xslt";

inline constexpr int XSLT_CPU_SECONDS = 4;
inline constexpr size_t XSLT_MEMORY_BYTES = size_t{256} << 20;
// Also covers a helper that waits without using the processor.
inline constexpr int XSLT_WAIT_MS = 10000;
inline constexpr size_t XSLT_MAX_OUTPUT_BYTES = size_t{8} << 20;
inline constexpr size_t XSLT_MAX_INPUT_BYTES = size_t{8} << 20;

// The helper's exit status. Killed by a signal: it went past its processor time (SIGXCPU,
// SIGKILL) or its stack.
inline constexpr int XSLT_EXIT_DONE = 0;
inline constexpr int XSLT_EXIT_FAILED = 1;  // the message is on standard error
inline constexpr int XSLT_EXIT_USAGE = 2;
inline constexpr int XSLT_EXIT_OUT_OF_MEMORY = 3;
