#pragma once
// Replaces a file so that readers see either the old or the new content, never a torn mix, even
// when the process or the machine dies half-way.

#include <string>
#include <string_view>

// Writes `bytes` to a temporary file beside `path`, flushes it to disk, renames it over `path`
// and flushes the directory. Missing parent directories are created. On failure the old file is
// left as it was, the temporary file is removed and `error` (when given) says what failed.
bool AtomicWriteFile(const std::string& path, std::string_view bytes, std::string* error = nullptr);
