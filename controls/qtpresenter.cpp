#include "qtpresenter.h"

#include "image.h"

#include <QPainter>

QtPresenter::QtPresenter(TImage &view, int width, int height)
    : m_view(view), m_pixels(std::size_t(width) * std::size_t(height), 0xFF000000u),
      m_image(reinterpret_cast<uchar *>(m_pixels.data()), width, height, width * 4,
              QImage::Format_RGB32)
{
}

void QtPresenter::present(int visibleHeight)
{
    ++m_stats.frames;
    represent(visibleHeight);
}

void QtPresenter::represent(int visibleHeight)
{
    ++m_stats.puts;
    QPainter painter(&m_view);
    if (!m_view.paintClip().isEmpty())
        painter.setClipRegion(m_view.paintClip());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), m_image, QRect(0, 0, m_image.width(), visibleHeight));
}
