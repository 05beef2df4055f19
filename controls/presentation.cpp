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

std::unique_ptr<Presenter> sharedMemoryPresenter(TImage &view)
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
    view.setAttribute(Qt::WA_PaintOnScreen);
    view.setAttribute(Qt::WA_NativeWindow);
    // Presses go through to the main window as before, which drags itself by them (a
    // window manager's move starts from where the main window saw the press).
    view.winId();
    view.windowHandle()->setFlag(Qt::WindowTransparentForInput);
    if (!presenter->setWindow(std::uint32_t(view.winId()))) {
        view.setAttribute(Qt::WA_PaintOnScreen, false);
        return nullptr;
    }
    return presenter;
}
#endif

} // namespace

bool shapeCutsOutput()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

std::unique_ptr<Presenter> createFieldPresenter(TImage &view, FieldPath path)
{
#ifdef PLOVEX_X11
    if (path == FieldPath::Fastest)
        if (std::unique_ptr<Presenter> presenter = sharedMemoryPresenter(view))
            return presenter;
#else
    (void)path;
#endif
    return std::make_unique<QtPresenter>(view, kFieldWidth, kFieldHeight);
}
