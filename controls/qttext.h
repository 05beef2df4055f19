// The engine's texts are UTF-8; the windows take QString.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <string_view>

inline QString toQString(std::string_view text)
{
    return QString::fromUtf8(QByteArrayView(text.data(), qsizetype(text.size())));
}
