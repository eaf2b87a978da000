#pragma once
// Diagnostics of vorn-iod: one line on standard error per event, prefixed with the program name.

void IodLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
