// A private Xvfb for plovex-bench --xvfb: 1280 x 1024 at 24 bits with SHAPE on a free
// display number, as scripts/with-xvfb.sh starts one; stopped when this goes away.
#pragma once

#include "child.h"

#include <memory>

class PrivateXvfb
{
public:
    PrivateXvfb(); // throws std::runtime_error when no server comes up
    QString display() const { return m_display; }

private:
    std::unique_ptr<Child> m_server;
    QString m_display;
};
