// For test programs that run the real start-up (RunPlovex): calls `shown` when the main
// window is first shown, as the start-up's last step before its loop, and `gone` when the
// main window goes at the end, while the application still exists.
#pragma once

#include "mainform.h"

#include <QCoreApplication>
#include <QEvent>

#include <functional>

namespace startupwatch {

inline std::function<void(TMainForm &)> shown;
inline std::function<void()> gone;

class Watcher : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_seen && MainForm && watched == MainForm && event->type() == QEvent::Show) {
            m_seen = true;
            QObject::connect(MainForm, &QObject::destroyed, qApp, [] {
                if (gone)
                    gone();
            });
            if (shown)
                shown(*MainForm);
        }
        return false;
    }

private:
    bool m_seen = false;
};

} // namespace startupwatch

// Installed as soon as the program has made its application object.
inline void installStartUpWatch()
{
    qApp->installEventFilter(new startupwatch::Watcher(qApp));
}
Q_COREAPP_STARTUP_FUNCTION(installStartUpWatch)
