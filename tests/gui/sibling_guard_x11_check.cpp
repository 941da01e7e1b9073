// The X11 guard on a real X server of its own (Xvfb, no window manager).
#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>

#include "child_process_posix.h"
#include "sibling_guard.h"
#include "temp_dir.h"

namespace {

using namespace std::chrono_literals;

void OpenWindow(xcb_connection_t* connection, std::string_view title) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(title.size()), title.data());
    xcb_map_window(connection, window);
}

TEST(SiblingGuardX11, FindsOnlyTheExactTitle) {
    if (std::string_view(XVFB_PATH).empty()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    ChildProcess server({XVFB_PATH, "-displayfd", "1", "-nolisten", "tcp"});
    const auto number = server.ReadLine(20s);
    ASSERT_TRUE(number.has_value()) << "Xvfb did not start";
    const std::string display = ":" + *number;
    ScopedEnv env("DISPLAY", display);

    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(connection), 0);
    OpenWindow(connection, "Velidor for Marlux 2");
    OpenWindow(connection, "velidor for marlux");
    // A round trip, so the windows exist before the guard looks.
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    EXPECT_FALSE(MakeSiblingWindow()->Find());

    OpenWindow(connection, "Velidor for Marlux");
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    const auto sibling = MakeSiblingWindow();
    EXPECT_TRUE(sibling->Find());
    sibling->Raise();
    xcb_disconnect(connection);
}

}  // namespace
