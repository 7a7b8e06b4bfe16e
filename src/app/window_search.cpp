#include "app/window_search.h"

#ifdef TERN_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#endif

namespace tern::app {

#ifdef TERN_HAVE_XCB
namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    const auto cookie = xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name);
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

QByteArray Property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type) {
    if (property == XCB_ATOM_NONE) {
        return {};
    }
    const auto cookie = xcb_get_property(c, 0, w, property, type, 0, 4096);
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
    if (!reply || reply->format != 8) {
        return {};
    }
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

std::vector<xcb_window_t> TopLevelWindows(xcb_connection_t* c, xcb_window_t root,
                                          xcb_atom_t clientList) {
    std::vector<xcb_window_t> windows;
    if (clientList != XCB_ATOM_NONE) {
        const auto cookie = xcb_get_property(c, 0, root, clientList, XCB_ATOM_WINDOW, 0, 65536);
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
        if (reply && reply->format == 32) {
            const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
            const int n = xcb_get_property_value_length(reply.get()) / 4;
            windows.assign(ids, ids + n);
        }
    }
    // Without a window manager there is no client list: the root's children
    // are the top-level windows then.
    const auto cookie = xcb_query_tree(c, root);
    XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, cookie, nullptr));
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        windows.insert(windows.end(), children,
                       children + xcb_query_tree_children_length(tree.get()));
    }
    return windows;
}

}  // namespace

bool TopLevelWindowWithTitleExists(const QString& title) {
    if (!std::getenv("DISPLAY")) {
        return false;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (!c || xcb_connection_has_error(c)) {
        if (c) {
            xcb_disconnect(c);
        }
        return false;
    }
    const QByteArray utf8 = title.toUtf8();
    const QByteArray latin1 = title.toLatin1();
    const xcb_atom_t netWmName = Atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8String = Atom(c, "UTF8_STRING");
    const xcb_atom_t clientList = Atom(c, "_NET_CLIENT_LIST");
    bool found = false;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem && !found;
         xcb_screen_next(&it)) {
        for (xcb_window_t w : TopLevelWindows(c, it.data->root, clientList)) {
            if (Property(c, w, netWmName, utf8String) == utf8 ||
                Property(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING) == latin1) {
                found = true;
                break;
            }
        }
    }
    xcb_disconnect(c);
    return found;
}

bool X11DisplayOpens() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool opens = c && !xcb_connection_has_error(c);
    if (c) {
        xcb_disconnect(c);
    }
    return opens;
}
#else
bool TopLevelWindowWithTitleExists(const QString&) { return false; }

bool X11DisplayOpens() { return true; }
#endif

}  // namespace tern::app
