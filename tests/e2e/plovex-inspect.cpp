// plovex-inspect: looks at a running Plovex from the outside, for the end-to-end scripts
// and the scripts that wait for a run. It finds windows, reads their X SHAPE regions, sends
// close requests, checks pixels of a screenshot (or of the live screen) against what the
// window should show, tells when a run is over, and prints the layout the scripts judge
// by, taken from the program's own tables.
//
// Image commands take window coordinates; --at X,Y gives the window's top-left corner in
// the image (the root window's coordinates for a full-screen shot). IMAGE is a file or
// ":screen" for a grab of the live root window. Colours are #rrggbb, a standard colour
// name, or "tooltip" (the desktop palette's tooltip background). Checks exit 0 when they
// hold and 1 (with what was expected and seen on stderr) when they do not.
#include "ellipse.h"
#include "layout.h"
#include "presentreport.h"
#include "scorereader.h"
#include "scoretablerows.h"
#include "xwindow.h"

#include <QApplication>
#include <QImage>
#include <QPalette>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

struct Failure : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

std::string hex(QRgb c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", qRed(c), qGreen(c), qBlue(c));
    return buf;
}

std::string windowHex(Window w)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%lx", static_cast<unsigned long>(w));
    return buf;
}

// ---- X connection -------------------------------------------------------------------

Display *display()
{
    static Display *dpy = nullptr;
    if (!dpy) {
        dpy = XOpenDisplay(nullptr);
        if (!dpy)
            throw std::runtime_error("cannot open the X display");
    }
    return dpy;
}

Atom atom(const char *name)
{
    return xwindow::atom(display(), name);
}

std::pair<std::string, std::string> windowClass(Window w)
{
    XClassHint hint{};
    std::pair<std::string, std::string> result;
    if (XGetClassHint(display(), w, &hint)) {
        if (hint.res_name)
            result.first = hint.res_name;
        if (hint.res_class)
            result.second = hint.res_class;
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    return result;
}

// The window's types (_NET_WM_WINDOW_TYPE) without their common prefix, comma-separated;
// "-" when it has none.
std::string windowType(Window w)
{
    std::string result;
    for (const unsigned long type : xwindow::numbers(display(), w, atom("_NET_WM_WINDOW_TYPE"))) {
        char *name = XGetAtomName(display(), Atom(type));
        if (!name)
            continue;
        std::string text = name;
        XFree(name);
        const std::string prefix = "_NET_WM_WINDOW_TYPE_";
        if (text.rfind(prefix, 0) == 0)
            text = text.substr(prefix.size());
        result += (result.empty() ? "" : ",") + text;
    }
    return result.empty() ? "-" : result;
}

// Whether `type` is one of the comma-separated `types`.
bool hasType(const std::string &types, const std::string &type)
{
    return ("," + types + ",").find("," + type + ",") != std::string::npos;
}

struct WindowInfo
{
    Window id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    bool viewable = false;
    bool overrideRedirect = false;
    std::string title, resName, resClass, type;
};

std::optional<WindowInfo> describe(Window w)
{
    XWindowAttributes attrs{};
    if (!XGetWindowAttributes(display(), w, &attrs))
        return std::nullopt;
    WindowInfo info;
    info.id = w;
    Window child = 0;
    XTranslateCoordinates(display(), w, DefaultRootWindow(display()), 0, 0, &info.x, &info.y,
                          &child);
    info.width = attrs.width;
    info.height = attrs.height;
    info.viewable = attrs.map_state == IsViewable;
    info.overrideRedirect = attrs.override_redirect;
    info.title = xwindow::name(display(), w).toStdString();
    std::tie(info.resName, info.resClass) = windowClass(w);
    info.type = windowType(w);
    return info;
}

// Client windows: those carrying WM_CLASS. A window manager puts them into frames, so
// look a few levels below the root.
void collectClients(Window w, int depth, std::vector<WindowInfo> &out)
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display(), w, &root, &parent, &children, &count))
        return;
    for (unsigned int i = 0; i < count; ++i) {
        const Window c = children[i];
        XClassHint hint{};
        if (XGetClassHint(display(), c, &hint)) {
            XFree(hint.res_name);
            XFree(hint.res_class);
            if (auto info = describe(c))
                out.push_back(*info);
        } else if (depth < 3) {
            collectClients(c, depth + 1, out);
        }
    }
    if (children)
        XFree(children);
}

std::vector<WindowInfo> clients()
{
    std::vector<WindowInfo> out;
    collectClients(DefaultRootWindow(display()), 0, out);
    return out;
}

// The window's outermost ancestor below the root (a window manager's frame, or the
// window itself), borders included: x y w h on the root.
std::tuple<int, int, int, int> outerFrame(Window w)
{
    Window top = w;
    for (;;) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display(), top, &root, &parent, &children, &count))
            throw Failure("no such window " + windowHex(w));
        if (children)
            XFree(children);
        if (parent == root || parent == 0)
            break;
        top = parent;
    }
    XWindowAttributes attrs{};
    if (!XGetWindowAttributes(display(), top, &attrs))
        throw Failure("no such window " + windowHex(top));
    return {attrs.x, attrs.y, attrs.width + 2 * attrs.border_width,
            attrs.height + 2 * attrs.border_width};
}

Window parseWindow(const std::string &text)
{
    const unsigned long id = std::stoul(text, nullptr, 0);
    if (id == 0)
        throw std::invalid_argument("no window id: " + text);
    return static_cast<Window>(id);
}

// ---- SHAPE ----------------------------------------------------------------------------

std::vector<XRectangle> shapeRectangles(Window w, int kind)
{
    int count = 0, ordering = 0;
    XRectangle *rects = XShapeGetRectangles(display(), w, kind, &count, &ordering);
    std::vector<XRectangle> out(rects, rects + count);
    if (rects)
        XFree(rects);
    return out;
}

// Coverage of a region of rectangles over a width x height grid.
std::vector<char> rasterise(const std::vector<XRectangle> &rects, int width, int height)
{
    std::vector<char> grid(std::size_t(width) * std::size_t(height), 0);
    for (const XRectangle &r : rects)
        for (int y = std::max<int>(r.y, 0); y < std::min(r.y + int(r.height), height); ++y)
            for (int x = std::max<int>(r.x, 0); x < std::min(r.x + int(r.width), width); ++x)
                grid[std::size_t(y) * std::size_t(width) + std::size_t(x)] = 1;
    return grid;
}

void summarise(const char *name, const std::vector<XRectangle> &rects, int width, int height)
{
    const std::vector<char> grid = rasterise(rects, width, height);
    long area = 0;
    for (char c : grid)
        area += c;
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    for (const XRectangle &r : rects) {
        x0 = std::min<int>(x0, r.x);
        y0 = std::min<int>(y0, r.y);
        x1 = std::max(x1, r.x + int(r.width));
        y1 = std::max(y1, r.y + int(r.height));
    }
    if (rects.empty())
        std::printf("%s: 0 rectangles\n", name);
    else
        std::printf("%s: %zu rectangles, extent (%d,%d)-(%d,%d), area %ld of %d\n", name,
                    rects.size(), x0, y0, x1, y1, area, width * height);
}

// The effective shape (bounding and input together) against Plovex's ellipse for the
// window's size. With a tolerance, a pixel may disagree where the ellipse's edge passes
// within that many pixels of it (plovex.exe's ellipse is the window system's own).
int checkShape(Window w, int tolerance)
{
    const auto info = describe(w);
    if (!info)
        throw Failure("no such window " + windowHex(w));
    const int width = info->width, height = info->height;
    const std::vector<XRectangle> bounding = shapeRectangles(w, ShapeBounding);
    const std::vector<XRectangle> input = shapeRectangles(w, ShapeInput);
    summarise("bounding", bounding, width, height);
    summarise("input", input, width, height);
    const std::vector<char> b = rasterise(bounding, width, height);
    const std::vector<char> in = rasterise(input, width, height);
    std::vector<XRectangle> bands;
    for (const ShapeBand &band : ellipseBands(width, height))
        bands.push_back(
            {short(band.left), short(band.top), ushort(band.width), ushort(band.height)});
    const std::vector<char> ellipse = rasterise(bands, width, height);
    const auto ideal = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < width && y < height &&
               ellipse[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    };

    long bad = 0, inside = 0;
    std::string examples;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(width) + std::size_t(x);
            const bool shaped = b[i] && in[i];
            inside += shaped;
            const bool wanted = ideal(x, y);
            if (shaped == wanted)
                continue;
            bool nearEdge = false;
            for (int dy = -tolerance; dy <= tolerance && !nearEdge; ++dy)
                for (int dx = -tolerance; dx <= tolerance && !nearEdge; ++dx)
                    nearEdge = ideal(x + dx, y + dy) != wanted;
            if (!nearEdge) {
                if (++bad <= 5)
                    examples += " (" + std::to_string(x) + "," + std::to_string(y) + ") is " +
                                (shaped ? "in" : "out") + " but should be " +
                                (wanted ? "in" : "out") + ";";
            }
        }
    }
    if (bad) {
        throw Failure("shape of " + windowHex(w) + " (" + std::to_string(width) + "x" +
                      std::to_string(height) + ") is not Plovex's ellipse: " + std::to_string(bad) +
                      " pixels off by more than " + std::to_string(tolerance) + ":" + examples);
    }
    std::printf("ellipse ok: %ld pixels inside\n", inside);
    return 0;
}

// ---- Images ---------------------------------------------------------------------------

QImage grabScreen()
{
    Display *dpy = display();
    XWindowAttributes attrs{};
    XGetWindowAttributes(dpy, DefaultRootWindow(dpy), &attrs);
    const QImage image = xwindow::image(dpy, DefaultRootWindow(dpy), attrs.width, attrs.height);
    if (image.isNull())
        throw std::runtime_error("cannot read the screen as 24-bit RGB; run the server with "
                                 "depth 24");
    return image;
}

QImage loadImage(const std::string &source)
{
    if (source == ":screen")
        return grabScreen();
    QImage image(QString::fromStdString(source));
    if (image.isNull())
        throw std::runtime_error("cannot read image " + source);
    return image.convertToFormat(QImage::Format_RGB32);
}

// An image seen through the window's coordinates.
struct View
{
    QImage image;
    int ox = 0, oy = 0;

    bool contains(int x, int y) const { return image.rect().contains(ox + x, oy + y); }
    QRgb at(int x, int y) const
    {
        if (!contains(x, y))
            throw std::runtime_error("point (" + std::to_string(x) + "," + std::to_string(y) +
                                     ") lies outside the image");
        return image.pixel(ox + x, oy + y) & 0xffffff;
    }
};

QRgb parseColour(const std::string &text)
{
    static const std::map<std::string, QRgb> named = {
        {"black", 0x000000},  {"maroon", 0x800000}, {"green", 0x008000},   {"purple", 0x800080},
        {"gray", 0x808080},   {"silver", 0xc0c0c0}, {"red", 0xff0000},     {"lime", 0x00ff00},
        {"yellow", 0xffff00}, {"blue", 0x0000ff},   {"fuchsia", 0xff00ff}, {"aqua", 0x00ffff},
        {"white", 0xffffff},
    };
    if (auto it = named.find(text); it != named.end())
        return it->second;
    if (text == "tooltip") {
        // The widgets' palette, as the program sees it on this display and style.
        static int argc = 1;
        static char name[] = "plovex-inspect";
        static char *argv[] = {name, nullptr};
        static QApplication *app = new QApplication(argc, argv); // lives until exit
        (void)app;
        return QApplication::palette().color(QPalette::ToolTipBase).rgb() & 0xffffff;
    }
    if (text.size() == 7 && text[0] == '#')
        return QRgb(std::stoul(text.substr(1), nullptr, 16));
    throw std::invalid_argument("not a colour: " + text);
}

struct Box
{
    int x, y, w, h;
};

Box parseBox(char **argv)
{
    return {std::stoi(argv[0]), std::stoi(argv[1]), std::stoi(argv[2]), std::stoi(argv[3])};
}

// How far a pixel is from the straight line between two colours: antialiased text is a
// mix of its colour and the background in the same proportion on every channel.
double offBlend(QRgb p, QRgb bg, QRgb fg)
{
    const double pc[3] = {double(qRed(p)), double(qGreen(p)), double(qBlue(p))};
    const double bc[3] = {double(qRed(bg)), double(qGreen(bg)), double(qBlue(bg))};
    const double fc[3] = {double(qRed(fg)), double(qGreen(fg)), double(qBlue(fg))};
    double num = 0, den = 0;
    for (int i = 0; i < 3; ++i) {
        num += (pc[i] - bc[i]) * (fc[i] - bc[i]);
        den += (fc[i] - bc[i]) * (fc[i] - bc[i]);
    }
    const double t = den > 0 ? std::clamp(num / den, 0.0, 1.0) : 0.0;
    double worst = 0;
    for (int i = 0; i < 3; ++i)
        worst = std::max(worst, std::abs(pc[i] - (bc[i] + t * (fc[i] - bc[i]))));
    return worst;
}

// Every pixel of the box is the background, the text colour or a mix of the two, and at
// least minText pixels are exactly the text colour.
int checkBlend(const View &v, Box box, QRgb bg, QRgb fg, long minText)
{
    long text = 0, background = 0, bad = 0;
    std::string first;
    std::map<QRgb, long> strays;
    for (int y = box.y; y < box.y + box.h; ++y) {
        for (int x = box.x; x < box.x + box.w; ++x) {
            const QRgb p = v.at(x, y);
            text += p == fg;
            background += p == bg;
            if (offBlend(p, bg, fg) > 2.5) {
                if (!bad++)
                    first = " first at (" + std::to_string(x) + "," + std::to_string(y) + ") " +
                            hex(p) + ";";
                ++strays[p];
            }
        }
    }
    if (bad || text < minText) {
        std::string common;
        int shown = 0;
        std::vector<std::pair<long, QRgb>> byCount;
        for (auto [c, n] : strays)
            byCount.push_back({n, c});
        std::sort(byCount.rbegin(), byCount.rend());
        for (auto [n, c] : byCount)
            if (shown++ < 4)
                common.append(" ").append(hex(c)).append(" x").append(std::to_string(n));
        throw Failure("box (" + std::to_string(box.x) + "," + std::to_string(box.y) + ") " +
                      std::to_string(box.w) + "x" + std::to_string(box.h) + ": expected " +
                      hex(fg) + " text on " + hex(bg) + " (at least " + std::to_string(minText) +
                      " pure text pixels); seen " + std::to_string(text) + " text, " +
                      std::to_string(background) + " background, " + std::to_string(bad) +
                      " other pixels;" + first +
                      (common.empty() ? "" : " most common others:" + common));
    }
    std::printf("%ld text, %ld background pixels\n", text, background);
    return 0;
}

// ---- Digit tiles ----------------------------------------------------------------------

// The committed sheets rather than the program's built-in copy, so that a broken resource
// shows up as an unreadable score.
SpriteSheets loadSheets(const std::string &dir)
{
    const auto load = [&](const std::string &name) {
        std::ifstream in(dir + "/" + name, std::ios::binary);
        const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in),
                                               std::istreambuf_iterator<char>()};
        try {
            return sheetFromBmp(bytes);
        } catch (const std::runtime_error &e) {
            throw std::runtime_error("cannot read " + dir + "/" + name + ": " + e.what());
        }
    };
    return SpriteSheets{load("sheet-mask.bmp"), load("sheet-colour.bmp")};
}

// The tiles show the score's lowest four digits; the frame count Plovex leaves on its
// window, where it does, settles those above (a score of 10235 shows as 0235).
int readScore(const View &v, const SpriteSheets &sheets, std::optional<Window> window)
{
    const TileReading reading = readScoreTiles(v.image, QPoint(v.ox, v.oy), sheets);
    if (!reading.ok())
        throw Failure(reading.problem);
    int score = reading.score;
    const QByteArray text =
        window ? xwindow::text(display(), *window, atom(kPresentProperty.data())) : QByteArray();
    if (const auto report = PresentReport::parse(text.toStdString())) {
        const std::optional<int> whole = scoreFromTiles(score, (long long)report->frames);
        if (!whole)
            throw Failure("the tiles read " + std::to_string(score) + ", which does not fit the " +
                          std::to_string(report->frames) + " frames Plovex reported");
        score = *whole;
    }
    std::printf("%04d\n", score);
    return 0;
}

// ---- Layout ---------------------------------------------------------------------------

// NAME=(values...) for the scripts' eval; the score table's per-band values are indexed by
// band, 1 to 8, with index 0 unused.
void printValues(const char *name, const std::vector<std::string> &values)
{
    std::string line = std::string(name) + "=(";
    for (std::size_t i = 0; i < values.size(); ++i)
        line += (i ? " " : "") + values[i];
    std::printf("%s)\n", line.c_str());
}

void printNumbers(const char *name, std::initializer_list<long long> numbers)
{
    std::vector<std::string> values;
    for (long long n : numbers)
        values.push_back(std::to_string(n));
    printValues(name, values);
}

// A box of the field that lies wholly inside the ellipse: between the points at 45 degrees.
Box insideEllipse()
{
    const double a = kMainWindowWidth / 2.0, b = kMainWindowHeight / 2.0;
    const double dx = a / std::sqrt(2.0), dy = b / std::sqrt(2.0);
    Box box{int(std::ceil(a - dx)), int(std::ceil(b - dy)), 0, 0};
    box.w = int(std::floor(a + dx)) - box.x;
    box.h = int(std::floor(b + dy)) - box.y;
    const std::vector<ShapeBand> ellipse = ellipseBands(kMainWindowWidth, kMainWindowHeight);
    const auto inside = [&](const Box &r) {
        return contains(ellipse, r.x, r.y) && contains(ellipse, r.x + r.w - 1, r.y) &&
               contains(ellipse, r.x, r.y + r.h - 1) &&
               contains(ellipse, r.x + r.w - 1, r.y + r.h - 1);
    };
    while (!inside(box))
        box = {box.x + 1, box.y + 1, box.w - 2, box.h - 2};
    return box;
}

int printLayout()
{
    Display *dpy = display();
    const int screenWidth = DisplayWidth(dpy, DefaultScreen(dpy));
    const int screenHeight = DisplayHeight(dpy, DefaultScreen(dpy));
    printNumbers("SCREEN", {screenWidth, screenHeight});
    printNumbers("WINDOW", {kMainWindowWidth, kMainWindowHeight});
    printNumbers("ORIGIN", {firstShowOrigin(screenWidth, kMainWindowWidth),
                            firstShowOrigin(screenHeight, kMainWindowHeight)});
    const ControlPlace &sai = placeOf(MainControl::SaiPanel);
    const ControlPlace &shu = placeOf(MainControl::ShuPanel);
    printNumbers("SAI", {sai.left, sai.top});
    printNumbers("SHU", {shu.left, shu.top});
    printNumbers("FRAME", {sai.width, sai.height});
    const Box field = insideEllipse();
    printNumbers("FIELD_BOX", {field.x, field.y, field.w, field.h});

    printNumbers("TABLE", {kScoreTableClientWidth, kScoreTableClientHeight});
    printNumbers("TABLE_OK", {kScoreTableOkButton.left, kScoreTableOkButton.top,
                              kScoreTableOkButton.width, kScoreTableOkButton.height});
    printNumbers("TABLE_SHAPE", {kScoreShapeLeft, kScoreShapeWidth, kScoreShapeHeight});
    printNumbers("TABLE_LABEL_LEFT", {kScoreLabelLeft});
    std::vector<std::string> shapeTop(kScoreTableRowCount + 1, "-"),
        labelTop = shapeTop, colour = shapeTop, edge = shapeTop;
    for (const ScoreTableRow &row : ScoreTableRows) {
        const auto band = std::size_t(row.band);
        shapeTop[band] = std::to_string(row.shapeTop);
        labelTop[band] = std::to_string(row.labelTop);
        // Quoted: # starts a shell comment.
        colour[band].assign("'").append(hex(QRgb(row.colour))).append("'");
        edge[band] = std::to_string(row.lowerEdge);
    }
    printValues("TABLE_SHAPE_TOP", shapeTop);
    printValues("TABLE_LABEL_TOP", labelTop);
    printValues("TABLE_COLOUR", colour);
    printValues("TABLE_EDGE", edge);
    return 0;
}

// Whether the window shows the end of its run: the re-measure button at rest, its face
// silver on both sides of its caption (both front ends draw it so for the first second).
int checkFinished(Window w)
{
    const auto info = describe(w);
    if (!info)
        throw Failure("no such window " + windowHex(w));
    const View v{grabScreen(), info->x, info->y};
    const ControlPlace &sai = placeOf(MainControl::SaiPanel);
    for (const int left : {sai.left + 8, sai.left + 82})
        for (int y = sai.top + 9; y < sai.top + 18; ++y)
            for (int x = left; x < left + 10; ++x)
                if (const QRgb seen = v.at(x, y); seen != QRgb(clSilver))
                    throw Failure("the run is not over: re-measure's face at (" +
                                  std::to_string(x) + "," + std::to_string(y) + ") is " +
                                  hex(seen));
    std::printf("the run is over\n");
    return 0;
}

// ---- Commands -------------------------------------------------------------------------

void usage()
{
    std::fputs(
        "usage: plovex-inspect [--at X,Y] [--sheets DIR] COMMAND ...\n"
        "  list                              client windows: id x y w h viewable override type "
        "class title\n"
        "  find [--title T] [--class C] [--type T] [--override|--managed] [--all]\n"
        "                                    (--type: one of the window's types, e.g. NORMAL)\n"
        "                                    ids of matching (viewable) windows; fails if none\n"
        "  geometry WID                      x y w h of the window on the root\n"
        "  frame WID                         x y w h of its outer frame (borders included)\n"
        "  shape WID                         summary of its SHAPE bounding and input regions\n"
        "  check-shape WID [TOLERANCE]       shape is Plovex's ellipse (within TOLERANCE pixels "
        "of its edge)\n"
        "  finished WID                      the window's run is over (re-measure shows at rest)\n"
        "  layout                            the layout the scripts judge by, as NAME=(...) "
        "lines\n"
        "  close WID                         send WM_DELETE_WINDOW\n"
        "  colour NAME                       print a colour as #rrggbb (e.g. tooltip)\n"
        "  score IMAGE [WID]                 the four digit tiles as a number; with the window,\n"
        "                                    the whole score, from the frames it reports\n"
        "  pixel IMAGE X Y [X Y ...]         colours at window points\n"
        "  count IMAGE X Y W H COLOUR [MIN]  pixels of exactly COLOUR in the box (fails below "
        "MIN)\n"
        "  dominant IMAGE X Y W H            most frequent colour and its share in percent\n"
        "  blend IMAGE X Y W H BG FG MIN     box holds only FG-on-BG text, at least MIN pure FG "
        "pixels\n"
        "  diff IMAGE1 IMAGE2 X Y W H        count and extent of differing pixels in the box\n"
        "  locate IMAGE WINDOW X Y W H       where an image of the window (WINDOW) shows in\n"
        "                                    IMAGE, judged by the box: the window's corner\n"
        "  wait MS COMMAND ...               repeat a check on the live screen until it holds\n",
        stderr);
}

struct Options
{
    int ox = 0, oy = 0;
    std::string sheets = PLOVEX_ASSETS_DIR;
};

int run(const Options &opt, std::vector<std::string> args);

int runImageCommand(const Options &opt, const std::string &cmd, std::vector<std::string> &a)
{
    auto view = [&](const std::string &src) { return View{loadImage(src), opt.ox, opt.oy}; };
    auto need = [&](std::size_t n) {
        if (a.size() < n)
            throw std::invalid_argument(cmd + ": too few arguments");
    };
    std::vector<char *> argv;
    for (auto &s : a)
        argv.push_back(s.data());

    if (cmd == "score") {
        need(1);
        return readScore(view(a[0]), loadSheets(opt.sheets),
                         a.size() > 1 ? std::optional<Window>(parseWindow(a[1])) : std::nullopt);
    }
    if (cmd == "pixel") {
        need(3);
        const View v = view(a[0]);
        for (std::size_t i = 1; i + 1 < a.size(); i += 2)
            std::printf("%s\n", hex(v.at(std::stoi(a[i]), std::stoi(a[i + 1]))).c_str());
        return 0;
    }
    if (cmd == "count") {
        need(6);
        const View v = view(a[0]);
        const Box b = parseBox(&argv[1]);
        const QRgb c = parseColour(a[5]);
        long n = 0;
        for (int y = b.y; y < b.y + b.h; ++y)
            for (int x = b.x; x < b.x + b.w; ++x)
                n += v.at(x, y) == c;
        if (a.size() > 6 && n < std::stol(a[6]))
            throw Failure("expected at least " + a[6] + " pixels of " + hex(c) + ", saw " +
                          std::to_string(n));
        std::printf("%ld\n", n);
        return 0;
    }
    if (cmd == "dominant") {
        need(5);
        const View v = view(a[0]);
        const Box b = parseBox(&argv[1]);
        std::map<QRgb, long> counts;
        for (int y = b.y; y < b.y + b.h; ++y)
            for (int x = b.x; x < b.x + b.w; ++x)
                ++counts[v.at(x, y)];
        auto best = std::max_element(counts.begin(), counts.end(),
                                     [](auto &l, auto &r) { return l.second < r.second; });
        std::printf("%s %ld\n", hex(best->first).c_str(), best->second * 100 / (long(b.w) * b.h));
        return 0;
    }
    if (cmd == "blend") {
        need(8);
        return checkBlend(view(a[0]), parseBox(&argv[1]), parseColour(a[5]), parseColour(a[6]),
                          std::stol(a[7]));
    }
    if (cmd == "diff") {
        need(6);
        const View v1 = view(a[0]), v2 = view(a[1]);
        const Box b = parseBox(&argv[2]);
        long n = 0;
        int x0 = b.x + b.w, y0 = b.y + b.h, x1 = -1, y1 = -1;
        for (int y = b.y; y < b.y + b.h; ++y)
            for (int x = b.x; x < b.x + b.w; ++x)
                if (v1.at(x, y) != v2.at(x, y)) {
                    ++n;
                    x0 = std::min(x0, x);
                    y0 = std::min(y0, y);
                    x1 = std::max(x1, x);
                    y1 = std::max(y1, y);
                }
        if (n)
            std::printf("%ld %d %d %d %d\n", n, x0, y0, x1, y1);
        else
            std::printf("0\n");
        return 0;
    }
    if (cmd == "locate") {
        need(6);
        const QImage image = loadImage(a[0]);
        const View window = view(a[1]);
        const Box b = parseBox(&argv[2]);
        for (int oy = -b.y; oy + b.y + b.h <= image.height(); ++oy) {
            for (int ox = -b.x; ox + b.x + b.w <= image.width(); ++ox) {
                bool same = true;
                for (int y = b.y; y < b.y + b.h && same; ++y) {
                    const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(oy + y));
                    for (int x = b.x; x < b.x + b.w && same; ++x)
                        same = (row[ox + x] & 0xffffff) == window.at(x, y);
                }
                if (same) {
                    std::printf("%d %d\n", ox, oy);
                    return 0;
                }
            }
        }
        throw Failure("the box (" + std::to_string(b.x) + "," + std::to_string(b.y) + ") " +
                      std::to_string(b.w) + "x" + std::to_string(b.h) + " of " + a[1] +
                      " shows nowhere in " + a[0]);
    }
    usage();
    return 2;
}

int run(const Options &opt, std::vector<std::string> args)
{
    if (args.empty()) {
        usage();
        return 2;
    }
    const std::string cmd = args.front();
    std::vector<std::string> a(args.begin() + 1, args.end());

    if (cmd == "list" || cmd == "find") {
        std::string title, cls, type;
        bool all = cmd == "list";
        int override = -1; // either

        for (std::size_t i = 0; i < a.size(); ++i) {
            if (a[i] == "--title" && i + 1 < a.size())
                title = a[++i];
            else if (a[i] == "--class" && i + 1 < a.size())
                cls = a[++i];
            else if (a[i] == "--type" && i + 1 < a.size())
                type = a[++i];
            else if (a[i] == "--all")
                all = true;
            else if (a[i] == "--override")
                override = 1;
            else if (a[i] == "--managed")
                override = 0;
            else
                throw std::invalid_argument("find: unknown option " + a[i]);
        }
        int found = 0;
        for (const WindowInfo &w : clients()) {
            if (!all && !w.viewable)
                continue;
            if (!title.empty() && w.title != title)
                continue;
            if (!cls.empty() && w.resName != cls && w.resClass != cls)
                continue;
            if (!type.empty() && !hasType(w.type, type))
                continue;
            if (override >= 0 && w.overrideRedirect != bool(override))
                continue;
            ++found;
            if (cmd == "find")
                std::printf("%s\n", windowHex(w.id).c_str());
            else
                std::printf("%s %d %d %d %d %s %s %s %s/%s \"%s\"\n", windowHex(w.id).c_str(), w.x,
                            w.y, w.width, w.height, w.viewable ? "viewable" : "unmapped",
                            w.overrideRedirect ? "override" : "managed", w.type.c_str(),
                            w.resName.c_str(), w.resClass.c_str(), w.title.c_str());
        }
        return cmd == "find" && found == 0 ? 1 : 0;
    }
    if (cmd == "frame") {
        if (a.empty())
            throw std::invalid_argument("frame: window id missing");
        const auto [x, y, w, h] = outerFrame(parseWindow(a[0]));
        std::printf("%d %d %d %d\n", x, y, w, h);
        return 0;
    }
    if (cmd == "layout")
        return printLayout();
    if (cmd == "geometry" || cmd == "shape" || cmd == "check-shape" || cmd == "close" ||
        cmd == "finished") {
        if (a.empty())
            throw std::invalid_argument(cmd + ": window id missing");
        const Window w = parseWindow(a[0]);
        const auto info = describe(w);
        if (!info)
            throw Failure("no such window " + a[0]);
        if (cmd == "geometry") {
            std::printf("%d %d %d %d\n", info->x, info->y, info->width, info->height);
        } else if (cmd == "shape") {
            summarise("bounding", shapeRectangles(w, ShapeBounding), info->width, info->height);
            summarise("input", shapeRectangles(w, ShapeInput), info->width, info->height);
        } else if (cmd == "check-shape") {
            return checkShape(w, a.size() > 1 ? std::stoi(a[1]) : 0);
        } else if (cmd == "finished") {
            return checkFinished(w);
        } else {
            xwindow::sendClose(display(), w);
        }
        return 0;
    }
    if (cmd == "colour") {
        if (a.empty())
            throw std::invalid_argument("colour: name missing");
        std::printf("%s\n", hex(parseColour(a[0])).c_str());
        return 0;
    }
    if (cmd == "wait") {
        if (a.size() < 2)
            throw std::invalid_argument("wait: timeout and command needed");
        const auto limit = std::chrono::milliseconds(std::stol(a[0]));
        std::vector<std::string> inner(a.begin() + 1, a.end());
        const auto start = std::chrono::steady_clock::now();
        std::string last;
        for (;;) {
            try {
                std::fflush(stdout);
                if (run(opt, inner) == 0)
                    return 0;
                last = "the command did not hold";
            } catch (const Failure &f) {
                last = f.what();
            }
            if (std::chrono::steady_clock::now() - start > limit)
                throw Failure("gave up after " + a[0] + " ms: " + last);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    return runImageCommand(opt, cmd, a);
}

} // namespace

int main(int argc, char *argv[])
{
    xwindow::ignoreErrors();

    Options opt;
    std::vector<std::string> args(argv + 1, argv + argc);
    while (!args.empty() && args.front().rfind("--", 0) == 0) {
        if (args.front() == "--at" && args.size() > 1) {
            const std::string v = args[1];
            const auto comma = v.find(',');
            if (comma == std::string::npos) {
                usage();
                return 2;
            }
            opt.ox = std::stoi(v.substr(0, comma));
            opt.oy = std::stoi(v.substr(comma + 1));
            args.erase(args.begin(), args.begin() + 2);
        } else if (args.front() == "--sheets" && args.size() > 1) {
            opt.sheets = args[1];
            args.erase(args.begin(), args.begin() + 2);
        } else {
            usage();
            return 2;
        }
    }
    try {
        return run(opt, args);
    } catch (const Failure &f) {
        std::fprintf(stderr, "plovex-inspect: %s\n", f.what());
        return 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "plovex-inspect: error: %s\n", e.what());
        return 2;
    }
}
