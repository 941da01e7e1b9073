#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>

#include "platform_types.h"
#include "temp_dir.h"

TempDir::TempDir() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = base / ("strandex-" + std::to_string(random() % 1000000000));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("no fresh temporary folder could be created");
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) {
        saved_ = old;
    }
    // An empty value removes the variable on Windows, as the original absence would.
    _putenv_s(name_.c_str(), value ? value->c_str() : "");
}

ScopedEnv::~ScopedEnv() {
    _putenv_s(name_.c_str(), saved_ ? saved_->c_str() : "");
}
