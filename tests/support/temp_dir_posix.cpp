#include "temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "strandex-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp() failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::Write(const std::filesystem::path& relative,
                                     std::string_view bytes) const {
    const auto full = path_ / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full;
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) {
        saved_ = old;
    }
    if (value) {
        setenv(name_.c_str(), value->c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}

ScopedEnv::~ScopedEnv() {
    if (saved_) {
        setenv(name_.c_str(), saved_->c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}
