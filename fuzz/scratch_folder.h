// A folder of the fuzz run's own for the files a target writes on every input: in memory
// where the system has a tmpfs at /dev/shm, else in the temporary folder; removed at exit.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "fuzz_property.h"

inline std::filesystem::path MakeScratchFolder(const std::string& name) {
    std::error_code ec;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, ec) || ::access(base.c_str(), W_OK) != 0) {
        const char* tmp = std::getenv("TMPDIR");
        base = tmp != nullptr && *tmp == '/' ? tmp : "/tmp";
    }
    std::string pattern = (base / ("strandex-fuzz-" + name + "-XXXXXX")).string();
    Require(::mkdtemp(pattern.data()) != nullptr, "a scratch folder is made");
    static std::filesystem::path made;
    made = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(made, ignored);
    });
    return made;
}
