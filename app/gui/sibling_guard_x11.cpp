#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sibling_guard.h"

namespace {

constexpr std::string_view kSiblingTitle = "Velidor for Marlux";

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPtr<Reply> Owned(Reply* reply) {
    return {reply, &std::free};
}

class X11SiblingWindow : public SiblingWindow {
  public:
    bool Find() override {
        int screenNumber = 0;
        connection_.reset(xcb_connect(nullptr, &screenNumber));
        // No display (a terminal session, the offscreen platform): nothing to find.
        if (xcb_connection_has_error(connection_.get()) != 0) {
            return false;
        }
        c_ = connection_.get();
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c_));
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
            xcb_screen_next(&screens);
        }
        if (screens.rem == 0) {
            return false;
        }
        root_ = screens.data->root;
        for (const xcb_window_t window : TopLevelWindows(root_)) {
            if (Title(window) == kSiblingTitle) {
                sibling_ = window;
                return true;
            }
        }
        return false;
    }

    // Mapping again brings an iconified window back; _NET_ACTIVE_WINDOW asks the window
    // manager to raise and focus it, which a client may not do for another by itself. A
    // window that has gone meanwhile makes these requests fail on the server, harmlessly.
    void Raise() override {
        if (!sibling_) {
            return;
        }
        xcb_map_window(c_, *sibling_);
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = *sibling_;
        event.type = Atom("_NET_ACTIVE_WINDOW");
        event.data.data32[0] = 1;  // a request from an application
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c_, 0, root_,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(c_, *sibling_, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_flush(c_);
    }

  private:
    xcb_atom_t Atom(std::string_view name) {
        const auto reply = Owned(xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(name.size()), name.data()),
            nullptr));
        return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }

    std::optional<std::string> Property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
        const auto reply = Owned(xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, window, property, type, 0, 1 << 16), nullptr));
        if (!reply || reply->type == XCB_ATOM_NONE) {
            return std::nullopt;
        }
        const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
        return std::string(bytes,
                           static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
    }

    // The window manager's list of client windows; without a window manager, the root's
    // children, which are then the clients themselves.
    std::vector<xcb_window_t> TopLevelWindows(xcb_window_t root) {
        std::vector<xcb_window_t> windows;
        if (const auto list = Property(root, Atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW)) {
            windows.resize(list->size() / sizeof(xcb_window_t));
            list->copy(reinterpret_cast<char*>(windows.data()),
                       windows.size() * sizeof(xcb_window_t));
            return windows;
        }
        const auto tree = Owned(xcb_query_tree_reply(c_, xcb_query_tree(c_, root), nullptr));
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            windows.assign(children, children + xcb_query_tree_children_length(tree.get()));
        }
        return windows;
    }

    std::string Title(xcb_window_t window) {
        if (auto title = Property(window, Atom("_NET_WM_NAME"), Atom("UTF8_STRING"))) {
            return *title;
        }
        return Property(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING).value_or("");
    }

    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection_{nullptr,
                                                                             &xcb_disconnect};
    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0;
    std::optional<xcb_window_t> sibling_;
};

}  // namespace

std::unique_ptr<SiblingWindow> MakeSiblingWindow() {
    return std::make_unique<X11SiblingWindow>();
}
