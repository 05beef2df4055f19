#include "xvfb.h"

#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>

#include <stdexcept>

PrivateXvfb::PrivateXvfb()
{
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty())
        throw std::runtime_error("--xvfb needs Xvfb (Debian: apt-get install xvfb)");
    // -displayfd: the server picks a free display and writes its number to our pipe.
    // -nocursor: Xvfb draws the pointer itself and redraws it over every frame that it
    // overlaps, at a cost that depends on where the pointer is and whether it has been shown
    // yet; without it every program is measured alike, as under a desktop's hardware pointer.
    m_server = std::make_unique<Child>(xvfb,
                                       QStringList{"-displayfd", "1", "-screen", "0",
                                                   "1280x1024x24", "-nolisten", "tcp", "-ac",
                                                   "+extension", "SHAPE", "-nocursor"},
                                       QProcessEnvironment::systemEnvironment().toStringList());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    const QRegularExpression number(R"(^(\d+)\s*$)", QRegularExpression::MultilineOption);
    while (std::chrono::steady_clock::now() < deadline) {
        m_server->readOutput(std::chrono::milliseconds(50));
        if (const auto match = number.match(QString::fromLatin1(m_server->output()));
            match.hasMatch()) {
            m_display = ":" + match.captured(1);
            return;
        }
        if (const auto status = m_server->exitStatus())
            throw std::runtime_error(QString("Xvfb ended with status %1: %2")
                                         .arg(*status)
                                         .arg(m_server->tail())
                                         .toStdString());
    }
    throw std::runtime_error("Xvfb did not start within 10 s: " + m_server->tail().toStdString());
}
