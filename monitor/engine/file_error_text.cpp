#include "file_error_text.h"

#include <sys/stat.h>

#include <cerrno>

namespace {

const char* Template(int err) {
    switch (err) {
        case ENOENT:
            return "%1 was not found.";
        case EACCES:
        case EPERM:
        case EROFS:
            return "Access to %1 was denied.";
        case EISDIR:
            return "%1 is a folder, not a file.";
        case ELOOP:
            return "%1 is a symbolic link, which is not followed.";
        case ENODEV:
            return "%1 is not a regular file.";
        case EBUSY:
        case ETXTBSY:
            return "A sharing violation occurred while accessing %1.";
        case ENOTDIR:
        case ENAMETOOLONG:
            return "%1 contains an invalid path.";
        case EIO:
            return "A hardware I/O error was reported while accessing %1.";
        case EMFILE:
        case ENFILE:
            return "%1 could not be opened because there are too many open files.";
        case ENOSPC:
        case EDQUOT:
            return "Disk full while accessing %1.";
        default:
            return "An unexpected error occurred while accessing %1.";
    }
}

}  // namespace

std::string FileErrorText(int err, const std::string& path) {
    std::string text = Template(err);
    // One replacement only: a path that holds "%1" itself stays as it is.
    size_t at = text.find("%1");
    return text.replace(at, 2, path);
}

int FileKindError(unsigned mode) {
    if (S_ISREG(mode))
        return 0;
    if (S_ISLNK(mode))
        return ELOOP;
    if (S_ISDIR(mode))
        return EISDIR;
    return ENODEV;
}
