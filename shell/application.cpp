#include "application.h"

#include "fonts.h"
#include "guarded.h"
#include "selfpaint.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QMessageBox>
#include <QWidget>

TApplication *Application = nullptr;

namespace {

// Our own quit message, so that the loop (not a nested Qt loop) notices the end.
const QEvent::Type kQuitMessage = static_cast<QEvent::Type>(QEvent::registerEventType());

} // namespace

void TApplication::PrepareToolkit()
{
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    for (const char *name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_USE_PHYSICAL_DPI"})
        qunsetenv(name);
}

TApplication::TApplication()
{
    Application = this;
    // Errors that escape the controls' handlers end up in the application's message box.
    setErrorReporter([this](const QString &message) { ShowException(message); });
    // Our loop, not Qt's, decides when the program ends.
    QApplication::setQuitOnLastWindowClosed(false);
    installFontSubstitutions();
    // Logging off or a session shutdown asks Qt to quit: end our loop too.
    qApp->installEventFilter(this);
}

TApplication::~TApplication()
{
    if (Application == this) {
        Application = nullptr;
        setErrorReporter(nullptr);
    }
}

void TApplication::setTitle(const QString &title)
{
    m_title = title;
    // The name the desktop groups the program's windows under (WM_CLASS on X11).
    QCoreApplication::setApplicationName(title);
}

void TApplication::registerForm(QWidget *form)
{
    if (!m_mainForm) {
        m_mainForm = form;
        form->installEventFilter(this);
    }
}

void TApplication::Terminate()
{
    QCoreApplication::postEvent(this, new QEvent(kQuitMessage));
}

bool TApplication::event(QEvent *event)
{
    if (event->type() == kQuitMessage) {
        m_terminated = true;
        return true;
    }
    return QObject::event(event);
}

bool TApplication::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == qApp && event->type() == QEvent::Quit) {
        Terminate();
        return false;
    }
    // Closing the main window (quit button or the desktop's close request) ends the program;
    // the window accepts every close.
    if (watched == m_mainForm && event->type() == QEvent::Close)
        Terminate();
    return QObject::eventFilter(watched, event);
}

bool TApplication::processPendingEvents()
{
    // Handles everything that is already queued (posted events, X events, timers);
    // false when there was nothing to do.
    return QCoreApplication::eventDispatcher()->processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleMessage()
{
    // A repaint marked outside an idle pass (a label changed by a timer once the run is
    // over) comes after whatever else is queued, as a window system's does.
    if (!processPendingEvents() && !SelfPaint::deliver())
        Idle();
}

void TApplication::Idle()
{
    bool done = true;
    if (m_onIdle)
        guarded([&] { m_onIdle(this, done); });
    // A frame drawn in this pass has marked its repaint: the wait would return at once for
    // it, so it is handled now. Whatever arrived meanwhile is handled right after it, still
    // before the next frame, and the loop looks at its queue once a frame instead of twice.
    if (SelfPaint::deliver())
        return;
    // Block until something arrives.
    if (done && !m_terminated)
        QCoreApplication::eventDispatcher()->processEvents(QEventLoop::WaitForMoreEvents |
                                                           QEventLoop::AllEvents);
}

void TApplication::Run()
{
    while (!m_terminated)
        HandleMessage();
}

void TApplication::ShowException(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, m_title, message, QMessageBox::Ok, m_mainForm);
    box.exec();
}
