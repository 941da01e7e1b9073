#include "file_lookup.h"
#include "platform_types.h"
#include "wide_text_win32.h"

std::optional<std::int64_t> LookUpFileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (path.empty() ||
        !GetFileAttributesExW(Utf8ToWide(path).c_str(), GetFileExInfoStandard, &info)) {
        return std::nullopt;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        return 0;
    }
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                     info.nFileSizeLow);
}
