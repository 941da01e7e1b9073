#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// A fresh directory under the system's temp dir, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes bytes to a file below the directory, creating folders on the way.
    std::filesystem::path Write(const std::filesystem::path& relative,
                                std::string_view bytes) const;

  private:
    std::filesystem::path path_;
};

// Sets (or with nullopt unsets) an environment variable and restores it afterwards.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> saved_;
};
