#include "guarded.h"

#include <exception>

namespace {

ErrorReporter &reporter()
{
    static ErrorReporter instance;
    return instance;
}

void report(const QString &message)
{
    if (reporter())
        reporter()(message);
}

} // namespace

void setErrorReporter(ErrorReporter newReporter)
{
    reporter() = std::move(newReporter);
}

void guarded(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const std::exception &e) {
        report(QString::fromUtf8(e.what()));
    } catch (...) {
        report(QStringLiteral("Unknown error"));
    }
}
