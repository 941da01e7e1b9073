#include "sibling_guard.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace {

// Started from a terminal without a desktop, the guard must let the tool start.
TEST(SiblingGuard, FindsNothingWithoutADisplay) {
    ScopedEnv display("DISPLAY", std::nullopt);
    ScopedEnv wayland("WAYLAND_DISPLAY", std::nullopt);
    EXPECT_FALSE(MakeSiblingWindow()->Find());
}

}  // namespace
