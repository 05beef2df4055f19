#include "display.h"

#include <QString>
#include <QtGlobal>

#if PLOVEX_X11
#include <xcb/xcb.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#endif

#if PLOVEX_X11
namespace {

std::string environment(const char *name)
{
    return qEnvironmentVariable(name).toStdString();
}

std::string quoted(const std::string &text)
{
    return '"' + text + '"';
}

// A connection to the X server, or nothing when it does not answer.
std::shared_ptr<void> connectX(const std::string &display)
{
    if (display.empty())
        return nullptr;
    xcb_connection_t *connection = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return {connection, [](void *c) { xcb_disconnect(static_cast<xcb_connection_t *>(c)); }};
}

// A Wayland display is a socket named in XDG_RUNTIME_DIR, or an absolute path.
bool waylandAnswers(const std::string &display)
{
    if (display.empty())
        return false;
    const std::string path =
        display.front() == '/' ? display : environment("XDG_RUNTIME_DIR") + '/' + display;
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answers =
        ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return answers;
}

// libwayland's own default when WAYLAND_DISPLAY is not set.
constexpr const char *kDefaultWaylandDisplay = "wayland-0";

} // namespace
#endif

DisplayChoice PrepareDisplay()
{
#if PLOVEX_X11
    const std::string x = environment("DISPLAY");
    const std::string wayland = environment("WAYLAND_DISPLAY");
    const std::string cannotOpenX = "cannot open the display " + quoted(x);

    if (const std::string chosen = environment("QT_QPA_PLATFORM"); !chosen.empty()) {
        // The user's choice stands; only a display it cannot reach gets a word from us.
        const std::string name = chosen.substr(0, chosen.find(':')); // options follow a colon
        if (name == "xcb") {
            std::shared_ptr<void> checked = connectX(x);
            if (!checked)
                return {x.empty() ? "cannot open a display: DISPLAY is not set" : cannotOpenX, {}};
            return {std::nullopt, checked};
        }
        const std::string socket = wayland.empty() ? kDefaultWaylandDisplay : wayland;
        if (name == "wayland" && !waylandAnswers(socket))
            return {"cannot open the Wayland display " + quoted(socket), {}};
        return {};
    }

    // An X server keeps the window's shape, its place on the screen and the measured
    // path of X11, so it is taken even on a Wayland desktop (XWayland).
    std::shared_ptr<void> checked = connectX(x);
    const char *platform = checked ? "xcb" : waylandAnswers(wayland) ? "wayland" : nullptr;
    if (platform) {
        qputenv("QT_QPA_PLATFORM", platform);
        // Qt weighs the session type before it reads QT_QPA_PLATFORM, and on some
        // desktops says on standard error that it ignores it.
        qunsetenv("XDG_SESSION_TYPE");
        return {std::nullopt, checked};
    }

    if (x.empty() && wayland.empty())
        return {"cannot open a display: neither DISPLAY nor WAYLAND_DISPLAY is set", {}};
    if (wayland.empty())
        return {cannotOpenX, {}};
    if (x.empty())
        return {"cannot open the Wayland display " + quoted(wayland), {}};
    return {cannotOpenX + " nor the Wayland display " + quoted(wayland), {}};
#else
    // Built without X11 (Windows, macOS, or no libxcb): Qt chooses and reports alone.
    return {};
#endif
}
