#include "xshmconnection.h"

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <array>
#include <bit>
#include <cstdlib>

namespace {

// Whether the server takes 32 bits per pixel, laid out as our 0xAARRGGBB words in memory,
// for the root window's visual (which toolkits give their windows by default).
bool pixelsMatch(const xcb_setup_t *setup, const xcb_screen_t *screen)
{
    if (std::endian::native != std::endian::little ||
        setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;
    std::uint8_t depth = 0;
    bool trueColour = false;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d)) {
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
            if (v.data->visual_id != screen->root_visual)
                continue;
            depth = d.data->depth;
            trueColour = v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR &&
                         v.data->red_mask == 0xFF0000u && v.data->green_mask == 0x00FF00u &&
                         v.data->blue_mask == 0x0000FFu;
        }
    }
    if (!trueColour || (depth != 24 && depth != 32))
        return false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == depth)
            return f.data->bits_per_pixel == 32;
    return false;
}

} // namespace

std::string_view XShmConnection::describe(Refusal refusal)
{
    constexpr std::array<std::string_view, 4> kWhy = {
        "cannot open the X display",
        "the X server offers no MIT-SHM (a remote display?)",
        "the screen's pixels are not 32-bit RGB",
        "the X server cannot attach shared memory (a remote display?)",
    };
    return kWhy[std::size_t(refusal)];
}

std::unique_ptr<XShmConnection> XShmConnection::open(int width, int height, Refusal *refusal)
{
    auto refuse = [refusal](Refusal why) {
        if (refusal)
            *refusal = why;
        return nullptr;
    };
    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return refuse(Refusal::NoDisplay);
    }
    const xcb_query_extension_reply_t *shm = xcb_get_extension_data(connection, &xcb_shm_id);
    const xcb_setup_t *setup = xcb_get_setup(connection);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!shm || !shm->present) {
        xcb_disconnect(connection);
        return refuse(Refusal::NoSharedMemory);
    }
    if (!screens.rem || !pixelsMatch(setup, screens.data)) {
        xcb_disconnect(connection);
        return refuse(Refusal::OtherPixels);
    }
    std::unique_ptr<XShmConnection> result(
        new XShmConnection(connection, width, height, shm->first_event + XCB_SHM_COMPLETION));
    if (!result->attach())
        return refuse(Refusal::CannotAttach);
    return result;
}

XShmConnection::XShmConnection(xcb_connection_t *connection, int width, int height,
                               std::uint8_t completion)
    : m_connection(connection), m_width(width), m_height(height), m_completionEvent(completion)
{
}

XShmConnection::~XShmConnection()
{
    if (m_pixels)
        shmdt(m_pixels);
    // Closing the connection frees the server's side: the graphics context and the segment.
    xcb_disconnect(m_connection);
}

bool XShmConnection::attach()
{
    const std::size_t bytes = std::size_t(m_width) * std::size_t(m_height) * 4;
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0)
        return false;
    void *address = shmat(id, nullptr, 0);
    bool attached = false;
    if (address != reinterpret_cast<void *>(-1)) {
        m_pixels = static_cast<std::uint32_t *>(address);
        m_segment = xcb_generate_id(m_connection);
        // Checked, so that a server that cannot reach our memory (a remote display) answers
        // with an error here instead of a message later.
        xcb_generic_error_t *error =
            xcb_request_check(m_connection, xcb_shm_attach_checked(m_connection, m_segment, id, 0));
        attached = !error;
        std::free(error);
        if (!attached)
            m_segment = 0;
    }
    // Once both sides are attached (or have failed), the segment goes when the last detaches.
    shmctl(id, IPC_RMID, nullptr);
    return attached;
}

bool XShmConnection::setWindow(std::uint32_t window)
{
    xcb_get_geometry_reply_t *geometry =
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
    if (!geometry)
        return false;
    m_depth = geometry->depth;
    std::free(geometry);
    if (m_gc)
        xcb_free_gc(m_connection, m_gc);
    m_gc = xcb_generate_id(m_connection);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(m_connection, m_gc, window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    m_window = window;
    return true;
}

std::uint32_t XShmConnection::sendPut(int visibleHeight)
{
    const xcb_void_cookie_t put = xcb_shm_put_image(
        m_connection, m_window, m_gc, std::uint16_t(m_width), std::uint16_t(m_height), 0, 0,
        std::uint16_t(m_width), std::uint16_t(visibleHeight), 0, 0, m_depth,
        XCB_IMAGE_FORMAT_Z_PIXMAP, 1 /* completion event */, m_segment, 0);
    xcb_flush(m_connection);
    return put.sequence;
}

std::optional<std::uint32_t> XShmConnection::pollCompletion(std::chrono::milliseconds wait)
{
    std::optional<std::uint32_t> finished;
    auto take = [&] {
        // Completions of our puts, and errors (a put to a window that is gone), which end
        // a put just as well. Nothing else is sent to this connection.
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            const std::uint8_t type = event->response_type & 0x7F;
            if ((type == m_completionEvent || type == 0) &&
                (!finished || laterRequest(event->full_sequence, *finished)))
                finished = event->full_sequence;
            std::free(event);
        }
    };
    take();
    if (!finished && wait.count() > 0 && !broken()) {
        pollfd socket{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        if (::poll(&socket, 1, int(wait.count())) > 0)
            take();
    }
    return finished;
}

bool XShmConnection::roundTrip()
{
    // A reply comes only after the server has handled every earlier request, puts
    // included; a broken connection gives none, at once.
    xcb_get_input_focus_reply_t *reply =
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr);
    std::free(reply);
    return reply != nullptr;
}

bool XShmConnection::broken() const
{
    return xcb_connection_has_error(m_connection) != 0;
}
