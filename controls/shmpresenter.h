// Puts the field on an X11 window from two shared-memory images that take turns: the next
// frame is drawn into one while the X server still reads the other, so a frame costs
// neither a copy into a back buffer nor a wait for the server. An image is drawn into
// again only once the server has finished its last put of it.
//
// The puts go through an X connection of the presenter's own. Their completion events
// then never pass through Qt's connection, whose reader thread would wake up for each
// one, and the presenter reads them itself when it needs them, between frames.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

struct xcb_connection_t;

class ShmPresenter
{
public:
    // What the presenter did since the last resetStats().
    struct Stats
    {
        std::uint64_t puts = 0;   // images put to the window
        std::uint64_t frames = 0; // frames given an image to draw into
        std::uint64_t waited = 0; // of those, frames that had to wait for the server first
    };

    // A presenter for images of width x height 32-bit pixels on Qt's X display, or null
    // where this cannot work: not X11, no MIT-SHM (a remote display), or a screen whose
    // pixels are not 32-bit 0x00RRGGBB.
    static std::unique_ptr<ShmPresenter> create(int width, int height);
    ~ShmPresenter();

    ShmPresenter(const ShmPresenter &) = delete;
    ShmPresenter &operator=(const ShmPresenter &) = delete;

    // The image to draw the next frame into. It is the current one while that has not been
    // put since; otherwise the other one, once the server has finished reading it.
    std::uint32_t *acquire();
    // The image of the latest frame.
    std::uint32_t *current() const { return m_images[m_current].pixels; }

    // Puts rows 0..visibleHeight-1 of the current image at the window's origin.
    void present(std::uint32_t window, int visibleHeight);

    const Stats &stats() const { return m_stats; }
    void resetStats() { m_stats = {}; }

private:
    struct Image
    {
        std::uint32_t segment = 0;
        std::uint32_t *pixels = nullptr;
        std::uint32_t lastPut = 0;  // request number of its latest put
        std::uint32_t finished = 0; // request number of the latest put the server finished
        bool put = false;
    };

    ShmPresenter(xcb_connection_t *connection, int width, int height, std::uint8_t completion);
    bool attach(Image &image);
    bool busy(const Image &image) const;
    void readEvents();
    void waitFor(const Image &image);
    void waitForServer();

    xcb_connection_t *m_connection;
    int m_width;
    int m_height;
    std::uint8_t m_completionEvent;
    std::array<Image, 2> m_images{};
    int m_current = 0;
    bool m_currentPut = false; // the current image was put after its frame was drawn
    std::uint32_t m_window = 0;
    std::uint32_t m_gc = 0;
    std::uint8_t m_depth = 0;
    Stats m_stats;
};
