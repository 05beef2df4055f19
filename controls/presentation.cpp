#include "presentation.h"

#include "image.h"
#include "layout.h"
#include "qtpresenter.h"
#include "x11window.h"
#ifdef PLOVEX_X11
#include "xshmpresenter.h"
#endif

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

namespace {

#ifdef PLOVEX_X11
// The field's own X connection broke: its frames reach no screen, so the run cannot go on
// being counted. Ends the program as a broken connection of the toolkit's does.
void connectionBroke()
{
    std::fputs("plovex: the connection to the X server broke\n", stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

std::unique_ptr<Presenter> sharedMemoryPresenter(TImage &view, FieldPresentation &presentation)
{
    if (!onX11())
        return nullptr;
    auto presenter = XShmPresenter::create(kFieldWidth, kFieldHeight, connectionBroke);
    if (!presenter)
        return nullptr;
    // The labels and pictures beside the view stay windowless; by default Qt would make
    // them windows too, and those would cover the field with stale pixels.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    // Qt must not paint this window from its back buffer: that would cover our puts.
    view.setOwnWindow(true);
    // Presses go through to the main window as before, which drags itself by them (a
    // window manager's move starts from where the main window saw the press).
    view.winId();
    presentation.viewIsWindow = true;
    view.windowHandle()->setFlag(Qt::WindowTransparentForInput);
    if (!presenter->setWindow(std::uint32_t(view.winId()))) {
        view.setOwnWindow(false);
        return nullptr;
    }
    return presenter;
}
#endif

} // namespace

FieldPresentation presentField(TImage &view, FieldPath path)
{
    FieldPresentation presentation;
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    presentation.shapeCutsOutput = !wayland;
    // There each frame goes through the toolkit's Wayland buffers, which it copies into one
    // another and hands over between its threads: measured at a fraction of the same
    // compositor's X11 figure, and set by the toolkit, not by the machine.
    if (wayland)
        presentation.caveat = "on native Wayland the score counts how fast the compositor "
                              "turns over the toolkit's buffers; it is not comparable with "
                              "scores on X11";
#ifdef PLOVEX_X11
    if (path == FieldPath::Fastest)
        presentation.presenter = sharedMemoryPresenter(view, presentation);
#else
    (void)path;
#endif
    if (!presentation.presenter)
        presentation.presenter = std::make_unique<QtPresenter>(view, kFieldWidth, kFieldHeight);
    return presentation;
}

void useDesktopPointer(QWidget &window)
{
    // With no pointer of its own, an X window shows its parent's: the desktop's.
    if (onX11() && window.windowHandle())
        window.windowHandle()->unsetCursor();
}
