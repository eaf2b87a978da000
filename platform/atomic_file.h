#pragma once
// Replaces a file so that readers see either the old or the new content, never a torn mix, even
// when the process or the machine dies half-way.

#include <string>
#include <string_view>

// Writes `bytes` to a temporary file beside `path`, flushes it to disk, renames it over `path`
// and flushes the directory. Missing parent directories are created. A `path` that is a
// symbolic link is written through: the file it points to is replaced, the link stays. A file
// without write permission is refused. Stale temporary files are removed first (below). On
// failure the old file is left as it was, the temporary file is removed and `error` (when given)
// says what failed, and errno the reason.
bool AtomicWriteFile(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// Removes the temporary files that writes of `path` killed half-way left beside it: files of
// this user named as the writer names them (".<name>.XXXXXX"), that no live write holds (a
// write keeps its temporary file locked until it is renamed) and that have not changed for a
// minute.
void RemoveStaleTemporaries(const std::string& path);
