// An X connection of its own with a shared-memory image the server reads: the checks that
// the display can take it, the segment, and puts of the image to a window.
#pragma once

#include "putconnection.h"

#include <memory>
#include <string_view>

struct xcb_connection_t;

class XShmConnection final : public PutConnection
{
public:
    // Why a display cannot take the image.
    enum class Refusal { NoDisplay, NoSharedMemory, OtherPixels, CannotAttach };
    static std::string_view describe(Refusal refusal);

    // A connection to $DISPLAY with an image of width x height pixels attached, or null
    // where the display cannot take it; `refusal` then says why.
    static std::unique_ptr<XShmConnection> open(int width, int height, Refusal *refusal = nullptr);
    ~XShmConnection() override;

    XShmConnection(const XShmConnection &) = delete;
    XShmConnection &operator=(const XShmConnection &) = delete;

    std::uint32_t *pixels() const { return m_pixels; }
    xcb_connection_t *connection() const { return m_connection; }

    bool setWindow(std::uint32_t window);
    std::uint32_t sendPut(int visibleHeight) override;
    std::optional<std::uint32_t> pollCompletion(std::chrono::milliseconds wait) override;
    bool roundTrip() override;
    bool broken() const override;

private:
    XShmConnection(xcb_connection_t *connection, int width, int height, std::uint8_t completion);
    bool attach();

    xcb_connection_t *m_connection;
    int m_width;
    int m_height;
    std::uint8_t m_completionEvent;
    std::uint32_t m_segment = 0;
    std::uint32_t *m_pixels = nullptr;
    std::uint32_t m_window = 0;
    std::uint32_t m_gc = 0;
    std::uint8_t m_depth = 0;
};

// Request numbers wrap at 2^32; a is later than b when it is less than half the range ahead.
constexpr bool laterRequest(std::uint32_t a, std::uint32_t b)
{
    return static_cast<std::int32_t>(a - b) > 0;
}
