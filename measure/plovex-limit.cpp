// plovex-limit: how many frames per second this machine and its X server can reach at most
// with Plovex's frame, presented as Plovex presents it. Each frame is Plovex's own work,
// done by the engine's code (clear the field, move and draw the 64 sprites from the
// built-in sheets), drawn straight into the program's own shared-memory presenter and put
// to a 512 x 293 window cut to Plovex's ellipse; like Plovex, it is on the screen before
// the next frame is drawn. No toolkit and no event loop in between.
//
// --pipeline instead draws the next frame into a second image while the server still
// reads the first: more frames than a serial program can show, printed for context only.
//
// Runs 8.8 s, like a Plovex run. Prints "measuring ..." as the timed loop starts, then
//   frames=N ms=T fps=F waited=W cpu_us=C
// waited: frames that had to wait for the server (serial: for their own put's completion;
// pipelined: for the image they were to be drawn into); cpu_us: this program's processor
// time per frame.
// Exit status: 0 measured, 1 failed, 2 bad arguments, 3 this display cannot take the
// images (no MIT-SHM, or pixels not laid out as 32-bit RGB).
#include "ellipse.h"
#include "fieldbitmap.h"
#include "layout.h"
#include "runstate.h"
#include "spritefield.h"
#include "spritesheet.h"
#include "xshmconnection.h"
#include "xshmpresenter.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kUnavailable = 3;
constexpr std::string_view kUsage = "usage: plovex-limit [--pipeline]   (runs 8.8 s on $DISPLAY)\n"
                                    "  --pipeline  overlap drawing with the server's reads: a "
                                    "figure for context, not the serial limit\n";

bool xFailed = false;

int recordXError(Display *display, XErrorEvent *error)
{
    char text[256];
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "plovex-limit: X error: %s\n", text);
    xFailed = true;
    return 0;
}

// Plovex's ellipse as the server's SHAPE takes it: the same pixels as Plovex's window.
std::vector<XRectangle> ellipseRectangles(int width, int height)
{
    std::vector<XRectangle> rectangles;
    for (const ShapeBand &band : ellipseBands(width, height))
        rectangles.push_back(
            {short(band.left), short(band.top), ushort(band.width), ushort(band.height)});
    return rectangles;
}

// Plovex's window as far as the server sees it: borderless, centred, cut to the ellipse.
// Made on a display connection of its own, as the toolkit's is for Plovex, while the puts
// go through the presenter's.
class LimitWindow
{
public:
    LimitWindow()
    {
        m_display = XOpenDisplay(nullptr);
        if (!m_display)
            throw std::runtime_error("cannot open the X display");
        XSetErrorHandler(recordXError);
        const int screen = DefaultScreen(m_display);
        XSetWindowAttributes attributes{};
        attributes.background_pixmap = None;
        attributes.event_mask = ExposureMask;
        const int x = firstShowOrigin(DisplayWidth(m_display, screen), kMainWindowWidth);
        const int y = firstShowOrigin(DisplayHeight(m_display, screen), kMainWindowHeight);
        m_window = XCreateWindow(m_display, RootWindow(m_display, screen), x, y, kMainWindowWidth,
                                 kMainWindowHeight, 0, CopyFromParent, InputOutput, CopyFromParent,
                                 CWBackPixmap | CWEventMask, &attributes);
        XStoreName(m_display, m_window, "plovex-limit");
        XSizeHints hints{};
        hints.flags = PPosition | PMinSize | PMaxSize;
        hints.min_width = hints.max_width = kMainWindowWidth;
        hints.min_height = hints.max_height = kMainWindowHeight;
        XSetWMNormalHints(m_display, m_window, &hints);
        // No decorations, like Plovex's frameless window: flags, functions, decorations.
        const long motif[5] = {2, 0, 0, 0, 0};
        const Atom motifHints = XInternAtom(m_display, "_MOTIF_WM_HINTS", False);
        XChangeProperty(m_display, m_window, motifHints, motifHints, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(motif), 5);
        std::vector<XRectangle> shape = ellipseRectangles(kMainWindowWidth, kMainWindowHeight);
        XShapeCombineRectangles(m_display, m_window, ShapeBounding, 0, 0, shape.data(),
                                int(shape.size()), ShapeSet, YXBanded);

        XMapWindow(m_display, m_window);
        const auto shownBy = Clock::now() + std::chrono::seconds(10);
        XEvent event;
        while (!XCheckTypedWindowEvent(m_display, m_window, Expose, &event)) {
            if (Clock::now() > shownBy)
                throw std::runtime_error("the window was not shown within 10 s");
            pollfd pfd{ConnectionNumber(m_display), POLLIN, 0};
            poll(&pfd, 1, 100);
        }
        // Later exposes need nothing: the next frame covers the window anyway.
        XSelectInput(m_display, m_window, NoEventMask);
        XSync(m_display, False);
    }
    ~LimitWindow()
    {
        XDestroyWindow(m_display, m_window);
        XCloseDisplay(m_display);
    }
    LimitWindow(const LimitWindow &) = delete;
    LimitWindow &operator=(const LimitWindow &) = delete;

    std::uint32_t id() const { return std::uint32_t(m_window); }
    // Whether the window is still there to take the frames: puts to a window that is gone
    // end at once, and would count as frames.
    bool stillThere()
    {
        XWindowAttributes attributes;
        return XGetWindowAttributes(m_display, m_window, &attributes) != 0 && !xFailed;
    }

private:
    Display *m_display = nullptr;
    Window m_window = 0;
};

// Plovex's own way: one image, each frame on the screen before the next is drawn.
class SerialLoop
{
public:
    explicit SerialLoop(std::unique_ptr<XShmConnection> connection)
        : m_presenter(XShmPresenter::over(std::move(connection), [] {
              throw std::runtime_error("the connection to the X server broke");
          }))
    {
        m_field.useStore(m_presenter->pixels(), FieldBitmap::StoreContent::Undefined);
        m_field.setBrushColor(clBlack); // Plovex clears the field black during a run
    }
    void frame(const SpriteSheets &sheets)
    {
        SpriteStep(m_field, sheets);
        m_presenter->present(kMainWindowHeight);
    }
    long long waited() const { return (long long)m_presenter->stats().waitedFrames; }
    void finish() {}

private:
    std::unique_ptr<XShmPresenter> m_presenter;
    FieldBitmap m_field;
};

// For context only: two images taking turns, the next frame drawn into one while the
// server still reads the other. Plovex never presents this way.
class PipelinedLoop
{
public:
    explicit PipelinedLoop(std::unique_ptr<XShmConnection> connection)
        : m_connection(std::move(connection))
    {
        for (int i = 0; i < 2; ++i) {
            m_fields[i].useStore(m_connection->pixels(i), FieldBitmap::StoreContent::Undefined);
            m_fields[i].setBrushColor(clBlack);
        }
    }
    void frame(const SpriteSheets &sheets)
    {
        if (const std::optional<std::uint32_t> last = m_lastPut[m_next]; last && awaited(*last))
            ++m_waited;
        SpriteStep(m_fields[m_next], sheets);
        m_lastPut[m_next] = m_connection->sendPutOf(m_next, kMainWindowHeight);
        if (m_connection->broken())
            throw std::runtime_error("the connection to the X server broke");
        m_next ^= 1;
    }
    long long waited() const { return m_waited; }
    void finish()
    {
        if (!m_connection->roundTrip())
            throw std::runtime_error("the connection to the X server broke");
    }

private:
    // Returns once the server has finished `put`, and whether that had to be waited for.
    bool awaited(std::uint32_t put)
    {
        take(m_connection->pollCompletion(std::chrono::milliseconds(0)));
        if (finished(put))
            return false;
        const auto giveUp = Clock::now() + XShmPresenter::kCompletionWait;
        while (!finished(put) && Clock::now() < giveUp && !m_connection->broken())
            take(m_connection->pollCompletion(XShmPresenter::kCompletionWait));
        if (!finished(put)) {
            finish(); // a reply comes once the server has handled the put
            m_finished = put;
        }
        return true;
    }
    void take(std::optional<std::uint32_t> completion)
    {
        if (completion && (!m_finished || laterRequest(*completion, *m_finished)))
            m_finished = completion;
    }
    bool finished(std::uint32_t put) const { return m_finished && !laterRequest(put, *m_finished); }

    std::unique_ptr<XShmConnection> m_connection;
    std::array<FieldBitmap, 2> m_fields;
    std::array<std::optional<std::uint32_t>, 2> m_lastPut;
    std::optional<std::uint32_t> m_finished;
    int m_next = 0;
    long long m_waited = 0;
};

// Plovex's run as the loop draws it for 8.8 s, with its figures printed.
template <class Loop> void timedRun(Loop &loop, LimitWindow &window, bool pipelined)
{
    // The clear Plovex would take on this machine.
    chooseClearMethod();
    const SpriteSheets &sheets = builtInSheets();
    SeedFromClock();
    ScatterSprites();
    std::printf(pipelined ? "measuring pipelined frames, for context only, for %.1f s\n"
                          : "measuring the serial limit for %.1f s\n",
                kFinishMs / 1000.0);
    std::fflush(stdout);
    long long frames = 0;
    const std::clock_t cpu0 = std::clock();
    const auto start = Clock::now();
    const auto end = start + std::chrono::milliseconds(kFinishMs);
    Clock::time_point now;
    while ((now = Clock::now()) < end) {
        loop.frame(sheets);
        ++frames;
    }
    const double elapsedMs = std::chrono::duration<double, std::milli>(now - start).count();
    const double cpu = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    loop.finish();
    if (!window.stillThere())
        throw std::runtime_error("the window went away during the measurement");
    std::printf("frames=%lld ms=%.1f fps=%.1f waited=%lld cpu_us=%.1f\n", frames, elapsedMs,
                double(frames) * 1000.0 / elapsedMs, loop.waited(), cpu * 1e6 / double(frames));
}

int measure(bool pipelined)
{
    XShmConnection::Refusal refusal{};
    std::unique_ptr<XShmConnection> connection =
        XShmConnection::open(kFieldWidth, kFieldHeight, pipelined ? 2 : 1, &refusal);
    if (!connection) {
        const std::string_view why = XShmConnection::describe(refusal);
        std::fprintf(stderr, "plovex-limit: %.*s\n", int(why.size()), why.data());
        return refusal == XShmConnection::Refusal::NoDisplay ? 1 : kUnavailable;
    }
    LimitWindow window;
    if (!connection->setWindow(window.id()))
        throw std::runtime_error("the presenter cannot reach the window");
    if (pipelined) {
        PipelinedLoop loop(std::move(connection));
        timedRun(loop, window, true);
    } else {
        SerialLoop loop(std::move(connection));
        timedRun(loop, window, false);
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    bool pipelined = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--pipeline") == 0) {
            pipelined = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage.data(), stdout);
            return 0;
        } else {
            std::fputs(kUsage.data(), stderr);
            return 2;
        }
    }
    try {
        return measure(pipelined);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "plovex-limit: %s\n", e.what());
        return 1;
    }
}
