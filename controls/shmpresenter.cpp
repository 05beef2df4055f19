#include "shmpresenter.h"

#include "x11window.h"

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <bit>
#include <cstdlib>
#include <cstring>

namespace {

// Request numbers wrap at 2^32; a is later than b when it is less than half the range ahead.
bool later(std::uint32_t a, std::uint32_t b)
{
    return static_cast<std::int32_t>(a - b) > 0;
}

// Whether the server takes 32 bits per pixel, laid out as our 0xAARRGGBB words in memory,
// for the root window's visual (which Qt gives its windows).
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

std::unique_ptr<ShmPresenter> ShmPresenter::create(int width, int height)
{
    // Only where Qt itself runs on X11, and then on the display it uses.
    if (!onX11())
        return nullptr;
    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    const xcb_query_extension_reply_t *shm = xcb_get_extension_data(connection, &xcb_shm_id);
    const xcb_setup_t *setup = xcb_get_setup(connection);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!shm || !shm->present || !screens.rem || !pixelsMatch(setup, screens.data)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    std::unique_ptr<ShmPresenter> presenter(
        new ShmPresenter(connection, width, height, shm->first_event + XCB_SHM_COMPLETION));
    for (Image &image : presenter->m_images)
        if (!presenter->attach(image))
            return nullptr;
    return presenter;
}

ShmPresenter::ShmPresenter(xcb_connection_t *connection, int width, int height,
                           std::uint8_t completion)
    : m_connection(connection), m_width(width), m_height(height), m_completionEvent(completion)
{
}

ShmPresenter::~ShmPresenter()
{
    for (Image &image : m_images)
        if (image.pixels)
            shmdt(image.pixels);
    // Closing the connection frees the server's side: the graphics context and segments.
    xcb_disconnect(m_connection);
}

bool ShmPresenter::attach(Image &image)
{
    const std::size_t bytes = std::size_t(m_width) * std::size_t(m_height) * 4;
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0)
        return false;
    void *address = shmat(id, nullptr, 0);
    bool attached = false;
    if (address != reinterpret_cast<void *>(-1)) {
        image.pixels = static_cast<std::uint32_t *>(address);
        image.segment = xcb_generate_id(m_connection);
        // Checked, so that a server that cannot reach our memory (a remote display) answers
        // with an error here instead of a message later.
        xcb_generic_error_t *error = xcb_request_check(
            m_connection, xcb_shm_attach_checked(m_connection, image.segment, id, 0));
        attached = !error;
        std::free(error);
        if (!attached)
            image.segment = 0;
    }
    // Once both sides are attached (or have failed), the segment goes when the last detaches.
    shmctl(id, IPC_RMID, nullptr);
    return attached;
}

bool ShmPresenter::busy(const Image &image) const
{
    return image.put && later(image.lastPut, image.finished);
}

void ShmPresenter::readEvents()
{
    // Completions of our puts, and errors (a put to a window that is gone), which end a
    // put just as well. Nothing else is sent to this connection.
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
        // Either tells that the server has handled every request up to this one.
        const std::uint8_t type = event->response_type & 0x7F;
        if (type == m_completionEvent || type == 0) {
            for (Image &image : m_images)
                if (!later(image.lastPut, event->full_sequence))
                    image.finished = image.lastPut;
        }
        std::free(event);
    }
}

void ShmPresenter::waitFor(const Image &image)
{
    // The completion of that put is on its way (the one just made may still be read):
    // wait for it alone, but not for ever.
    constexpr int kCompletionWaitMs = 100;
    pollfd socket{xcb_get_file_descriptor(m_connection), POLLIN, 0};
    while (busy(image) && !xcb_connection_has_error(m_connection) &&
           ::poll(&socket, 1, kCompletionWaitMs) > 0)
        readEvents();
    if (busy(image))
        waitForServer();
}

void ShmPresenter::waitForServer()
{
    // A reply comes only after the server has handled every earlier request, puts
    // included. Unlike waiting for a completion event, this cannot hang when an event is
    // lost, nor when the connection has broken (there is no reply then).
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    for (Image &image : m_images)
        image.finished = image.lastPut;
}

std::uint32_t *ShmPresenter::acquire()
{
    if (m_currentPut) {
        const int next = 1 - m_current;
        if (busy(m_images[next]))
            readEvents();
        if (busy(m_images[next])) {
            ++m_stats.waited;
            waitFor(m_images[next]);
        }
        m_current = next;
        m_currentPut = false;
        ++m_stats.frames;
    }
    return m_images[m_current].pixels;
}

void ShmPresenter::present(std::uint32_t window, int visibleHeight)
{
    if (window != m_window) {
        xcb_get_geometry_reply_t *geometry =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
        if (!geometry)
            return;
        m_depth = geometry->depth;
        std::free(geometry);
        if (m_gc)
            xcb_free_gc(m_connection, m_gc);
        m_gc = xcb_generate_id(m_connection);
        const std::uint32_t noExposures = 0;
        xcb_create_gc(m_connection, m_gc, window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
        m_window = window;
    }
    Image &image = m_images[m_current];
    // The window belongs to Qt's connection; any client may draw into it.
    const xcb_void_cookie_t put = xcb_shm_put_image(
        m_connection, window, m_gc, std::uint16_t(m_width), std::uint16_t(m_height), 0, 0,
        std::uint16_t(m_width), std::uint16_t(visibleHeight), 0, 0, m_depth,
        XCB_IMAGE_FORMAT_Z_PIXMAP, 1 /* completion event */, image.segment, 0);
    image.lastPut = put.sequence;
    image.put = true;
    m_currentPut = true;
    ++m_stats.puts;
    // Hand the put to the server now, so that it reads while we draw the next frame.
    xcb_flush(m_connection);
}
