// plovex-limit: how many frames per second this machine and its X server can reach at most
// with Plovex's frame. Each frame is Plovex's own work, done by the engine's code: clear the
// field, move and draw the 64 sprites from the built-in sheets. It is drawn straight into
// one of two shared-memory images and put to a 512 x 293 window cut to Plovex's ellipse;
// an image is drawn into again only once the server has finished reading it, so drawing
// one frame overlaps the server taking the last. No toolkit and no event loop in between.
//
// Runs 8.8 s, like a Plovex run. Prints "measuring ..." as the timed loop starts, then
//   frames=N ms=T fps=F waited=W cpu_us=C
// waited: frames whose image the server was still reading when they were to be drawn;
// cpu_us: this program's processor time per frame.
// Exit status: 0 measured, 1 failed, 2 bad arguments, 3 this display cannot take the
// images (no MIT-SHM, or pixels not laid out as 32-bit RGB).
#include "layout.h"
#include "runstate.h"
#include "spritefield.h"
#include "spritesheet.h"

#include <QRegion>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/shape.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <poll.h>
#include <stdexcept>
#include <sys/ipc.h>
#include <sys/resource.h>
#include <sys/shm.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWindowWidth = kMainWindowWidth; // Plovex's main window, showing the field's top rows
constexpr int kWindowHeight = kMainWindowHeight;
constexpr int kUnavailable = 3;
// A put the server never completes (the window destroyed, a broken segment) ends the run.
constexpr int kCompletionWaitMs = 2000;

struct Unavailable : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

bool xFailed = false;

int recordXError(Display *display, XErrorEvent *error)
{
    char text[256];
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "plovex-limit: X error: %s\n", text);
    xFailed = true;
    return 0;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// One shared-memory image of the whole field, with the field drawing straight into it.
struct SharedField
{
    XShmSegmentInfo segment{};
    XImage *image = nullptr;
    std::unique_ptr<FieldBitmap> field;
    int pending = 0; // puts of this image the server has not completed
};

class Presenter
{
public:
    explicit Presenter(Display *display) : m_display(display)
    {
        const int screen = DefaultScreen(display);
        Visual *visual = DefaultVisual(display, screen);
        const int depth = DefaultDepth(display, screen);
        // Asked by name first: the extension's own query complains when it is missing.
        int opcode = 0, event = 0, error = 0;
        if (!XQueryExtension(display, "MIT-SHM", &opcode, &event, &error) ||
            !XShmQueryExtension(display))
            throw Unavailable("the X server offers no MIT-SHM (a remote display?)");
        if ((depth != 24 && depth != 32) || visual->red_mask != 0xff0000 ||
            visual->green_mask != 0xff00 || visual->blue_mask != 0xff)
            throw Unavailable("the screen's pixels are not 32-bit RGB");
        m_completion = XShmGetEventBase(display) + ShmCompletion;

        createWindow(visual, depth);
        for (SharedField &f : m_fields)
            attach(f, visual, depth);
    }

    ~Presenter()
    {
        for (SharedField &f : m_fields) {
            if (!f.image)
                continue;
            XShmDetach(m_display, &f.segment);
            XSync(m_display, False);
            shmdt(f.segment.shmaddr);
            f.image->data = nullptr;
            XDestroyImage(f.image);
        }
        if (m_gc)
            XFreeGC(m_display, m_gc);
        if (m_window)
            XDestroyWindow(m_display, m_window);
        XSync(m_display, False);
    }

    // Draws the next frame into an image the server has finished with, and puts it.
    // Returns whether it had to wait for that.
    bool frame(const SpriteSheets &sheets)
    {
        takeCompletions(false);
        SharedField &f = m_fields[m_next];
        const bool waited = f.pending > 0;
        while (f.pending > 0)
            takeCompletions(true);
        SpriteStep(*f.field, sheets);
        XShmPutImage(m_display, m_window, m_gc, f.image, 0, 0, 0, 0, kWindowWidth, kWindowHeight,
                     True);
        XFlush(m_display);
        ++f.pending;
        m_next ^= 1;
        return waited;
    }

    void finish()
    {
        for (SharedField &f : m_fields)
            while (f.pending > 0)
                takeCompletions(true);
    }

private:
    void createWindow(Visual *visual, int depth)
    {
        const int screen = DefaultScreen(m_display);
        XSetWindowAttributes attributes{};
        attributes.background_pixmap = None;
        attributes.event_mask = ExposureMask | StructureNotifyMask;
        // Centred, as Plovex opens its window.
        const int x = std::max(0, (DisplayWidth(m_display, screen) - kWindowWidth) / 2);
        const int y = std::max(0, (DisplayHeight(m_display, screen) - kWindowHeight) / 2);
        m_window = XCreateWindow(m_display, RootWindow(m_display, screen), x, y, kWindowWidth,
                                 kWindowHeight, 0, depth, InputOutput, visual,
                                 CWBackPixmap | CWEventMask, &attributes);
        XStoreName(m_display, m_window, "plovex-limit");
        XSizeHints hints{};
        hints.flags = PPosition | PMinSize | PMaxSize;
        hints.min_width = hints.max_width = kWindowWidth;
        hints.min_height = hints.max_height = kWindowHeight;
        XSetWMNormalHints(m_display, m_window, &hints);
        // No decorations, like Plovex's frameless window: flags, functions, decorations.
        const long motif[5] = {2, 0, 0, 0, 0};
        const Atom motifHints = XInternAtom(m_display, "_MOTIF_WM_HINTS", False);
        XChangeProperty(m_display, m_window, motifHints, motifHints, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(motif), 5);

        // The same ellipse Plovex hands to Qt, so the server clips the same pixels.
        std::vector<XRectangle> rects;
        for (const QRect &r : QRegion(0, 0, kWindowWidth, kWindowHeight, QRegion::Ellipse))
            rects.push_back({short(r.x()), short(r.y()), ushort(r.width()), ushort(r.height())});
        XShapeCombineRectangles(m_display, m_window, ShapeBounding, 0, 0, rects.data(),
                                int(rects.size()), ShapeSet, YXBanded);
        m_gc = XCreateGC(m_display, m_window, 0, nullptr);

        XMapWindow(m_display, m_window);
        const auto shownBy = Clock::now() + std::chrono::seconds(10);
        XEvent event;
        while (!XCheckTypedWindowEvent(m_display, m_window, Expose, &event)) {
            if (Clock::now() > shownBy)
                throw std::runtime_error("the window was not shown within 10 s");
            pollfd pfd{ConnectionNumber(m_display), POLLIN, 0};
            poll(&pfd, 1, 100);
        }
    }

    void attach(SharedField &f, Visual *visual, int depth)
    {
        f.image = XShmCreateImage(m_display, visual, unsigned(depth), ZPixmap, nullptr, &f.segment,
                                  FieldBitmap::kWidth, FieldBitmap::kHeight);
        if (!f.image || f.image->bits_per_pixel != 32 ||
            f.image->bytes_per_line != FieldBitmap::kWidth * 4)
            throw Unavailable("the X server's images are not laid out like the field");
        f.segment.shmid =
            shmget(IPC_PRIVATE, std::size_t(f.image->bytes_per_line) * std::size_t(f.image->height),
                   IPC_CREAT | 0600);
        if (f.segment.shmid < 0)
            throw std::runtime_error("cannot make a shared-memory segment");
        f.segment.shmaddr = f.image->data = static_cast<char *>(shmat(f.segment.shmid, nullptr, 0));
        f.segment.readOnly = False;
        const bool attached = XShmAttach(m_display, &f.segment);
        XSync(m_display, False);
        // Marked for removal at once: it goes away with the last process that has it.
        shmctl(f.segment.shmid, IPC_RMID, nullptr);
        if (!attached || xFailed)
            throw Unavailable("the X server cannot attach shared memory (a remote display?)");
        f.field = std::make_unique<FieldBitmap>();
        // Every frame clears the whole field before it reads any of it.
        f.field->useStore(reinterpret_cast<std::uint32_t *>(f.image->data),
                          FieldBitmap::StoreContent::Undefined);
        // Plovex clears the field black during a run.
        f.field->setBrushColor(clBlack);
    }

    // Takes the completions that have arrived; with `block`, waits for at least one event.
    void takeCompletions(bool block)
    {
        if (block && !XPending(m_display)) {
            pollfd pfd{ConnectionNumber(m_display), POLLIN, 0};
            if (poll(&pfd, 1, kCompletionWaitMs) <= 0 && !XPending(m_display))
                throw std::runtime_error("the X server completed no put within 2 s");
        }
        while (XPending(m_display)) {
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type != m_completion)
                continue; // exposes: the next frame covers the window anyway
            const auto &done = reinterpret_cast<const XShmCompletionEvent &>(event);
            for (SharedField &f : m_fields)
                if (f.segment.shmseg == done.shmseg && f.pending > 0)
                    --f.pending;
        }
        if (xFailed)
            throw std::runtime_error("the X server refused a request");
    }

    Display *m_display;
    Window m_window = 0;
    GC m_gc = nullptr;
    int m_completion = 0;
    std::array<SharedField, 2> m_fields;
    int m_next = 0;
};

int measure()
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        throw std::runtime_error("cannot open the X display");
    XSetErrorHandler(recordXError);
    const SpriteSheets &sheets = builtInSheets();
    SeedFromClock();
    ScatterSprites();
    long long frames = 0, waited = 0;
    double elapsedMs = 0, cpu = 0;
    {
        Presenter presenter(display);
        std::printf("measuring for %.1f s\n", kFinishMs / 1000.0);
        std::fflush(stdout);
        const double cpu0 = cpuSeconds();
        const auto start = Clock::now();
        const auto end = start + std::chrono::milliseconds(kFinishMs);
        Clock::time_point now;
        while ((now = Clock::now()) < end) {
            waited += presenter.frame(sheets);
            ++frames;
        }
        elapsedMs = std::chrono::duration<double, std::milli>(now - start).count();
        cpu = cpuSeconds() - cpu0;
        presenter.finish();
    }
    XCloseDisplay(display);
    std::printf("frames=%lld ms=%.1f fps=%.1f waited=%lld cpu_us=%.1f\n", frames, elapsedMs,
                double(frames) * 1000.0 / elapsedMs, waited, cpu * 1e6 / double(frames));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1) {
        std::fputs("usage: plovex-limit   (no arguments; runs 8.8 s on $DISPLAY)\n", stderr);
        return 2;
    }
    (void)argv;
    try {
        return measure();
    } catch (const Unavailable &e) {
        std::fprintf(stderr, "plovex-limit: %s\n", e.what());
        return kUnavailable;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "plovex-limit: %s\n", e.what());
        return 1;
    }
}
