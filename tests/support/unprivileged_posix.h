// Running a piece of a test as a user without privileges: the tests run as root, whom no
// file permission stops, yet permission failures must be seen as a user meets them.
#pragma once

#include <functional>
#include <optional>
#include <string>

// The uid and gid the piece runs as when the test runs as root (nobody, nogroup).
inline constexpr unsigned kUnprivilegedId = 65534;

// Runs body in a child process that has dropped to nobody (when the test runs as root;
// otherwise as the test's own user, who has no privileges to drop) and returns what body
// returned, or nothing when the child failed or did not end within 30 s.
std::optional<std::string> RunUnprivileged(const std::function<std::string()>& body);
