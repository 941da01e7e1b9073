#include <sys/stat.h>

#include "file_lookup.h"

std::optional<std::int64_t> LookUpFileSize(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return S_ISREG(info.st_mode) ? static_cast<std::int64_t>(info.st_size) : 0;
}
