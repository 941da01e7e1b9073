#include "temp_dir.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "strandex-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp() failed");
    }
    path_ = pattern;
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
