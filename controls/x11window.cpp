#include "x11window.h"

#include <QGuiApplication>
#include <QWidget>

#if PLOVEX_X11
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// Qt's own connection, when the program runs on X11.
xcb_connection_t *qtConnection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, false, std::uint16_t(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// The first `count` 32-bit values of a window's property, or fewer if it has fewer.
std::vector<std::uint32_t> cardinals(xcb_connection_t *connection, xcb_window_t window,
                                     xcb_atom_t property, xcb_atom_t type, std::uint32_t count)
{
    std::vector<std::uint32_t> values;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, false, window, property, type, 0, count), nullptr);
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const std::uint32_t *>(xcb_get_property_value(reply));
        values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
}
} // namespace
#endif

bool onX11()
{
#if PLOVEX_X11
    return qtConnection() != nullptr;
#else
    return false;
#endif
}

void setWindowTextProperty([[maybe_unused]] QWidget *window, [[maybe_unused]] const char *name,
                           [[maybe_unused]] const QByteArray &value)
{
#if PLOVEX_X11
    xcb_connection_t *connection = qtConnection();
    if (!connection)
        return;
    const xcb_atom_t atom = internAtom(connection, name);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()), atom,
                        XCB_ATOM_STRING, 8, std::uint32_t(value.size()), value.constData());
    xcb_flush(connection);
#endif
}

std::optional<QMargins> announcedFrame([[maybe_unused]] QWidget *window)
{
#if PLOVEX_X11
    xcb_connection_t *connection = qtConnection();
    if (!connection)
        return std::nullopt;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t request = internAtom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = internAtom(connection, "_NET_FRAME_EXTENTS");
    const std::vector<std::uint32_t> supported =
        cardinals(connection, root, internAtom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 1024);
    if (std::find(supported.begin(), supported.end(), request) == supported.end())
        return std::nullopt;

    const auto id = xcb_window_t(window->winId());
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(connection, false, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);

    // The manager answers by setting the property on the window; a manager that is too
    // busy to answer within the deadline leaves the window centred by its client size.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    do {
        const std::vector<std::uint32_t> frame =
            cardinals(connection, id, extents, XCB_ATOM_CARDINAL, 4);
        if (frame.size() == 4) // left, right, top, bottom
            return QMargins(int(frame[0]), int(frame[2]), int(frame[1]), int(frame[3]));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (std::chrono::steady_clock::now() < deadline);
#endif
    return std::nullopt;
}
