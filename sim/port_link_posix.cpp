#include "port_link_posix.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

namespace cnc_sim {

namespace {

[[noreturn]] void ThrowSystemError(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

}  // namespace

PortLink::PortLink(std::string path, std::string target)
    : path_(std::move(path)), target_(std::move(target)) {
    struct stat existing {};
    if (::lstat(path_.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            ThrowSystemError(EEXIST, "refusing to replace " + path_ + ", not a symbolic link");
        }
        // A new link renamed over the old one: the name never points nowhere.
        const std::string temporary = path_ + ".cnc-sim-" + std::to_string(::getpid());
        if (::symlink(target_.c_str(), temporary.c_str()) != 0) {
            ThrowSystemError(errno, "symlink() failed for " + temporary);
        }
        if (::rename(temporary.c_str(), path_.c_str()) != 0) {
            const int error = errno;
            ::unlink(temporary.c_str());
            ThrowSystemError(error, "rename() failed for " + path_);
        }
    } else if (errno != ENOENT) {
        ThrowSystemError(errno, "lstat() failed for " + path_);
    } else if (::symlink(target_.c_str(), path_.c_str()) != 0) {
        ThrowSystemError(errno, "symlink() failed for " + path_);
    }
}

PortLink::~PortLink() {
    char pointsTo[4096];
    const ssize_t n = ::readlink(path_.c_str(), pointsTo, sizeof pointsTo);
    if (n >= 0 && std::string(pointsTo, static_cast<std::size_t>(n)) == target_) {
        ::unlink(path_.c_str());
    }
}

}  // namespace cnc_sim
