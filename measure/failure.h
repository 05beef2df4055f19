// How a measurement gives up: one line, which plovex-bench prints as the reason it stopped.
#pragma once

#include <QString>

#include <stdexcept>

[[noreturn]] inline void fail(const QString &why)
{
    throw std::runtime_error(why.toStdString());
}
