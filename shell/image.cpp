#include "image.h"

#include <QPaintEvent>
#include <QPainter>

TImage::TImage(QWidget *parent) : QWidget(parent)
{
    // The picture is opaque and covers the control: no background erase under it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

TImage::~TImage()
{
    if (m_field)
        m_field->setChangeHandler(nullptr, nullptr);
}

void TImage::setPicture(const QImage &picture)
{
    m_field.reset();
    m_picture = picture;
    resize(m_picture.size());
    update();
}

void TImage::setField(std::unique_ptr<FieldBitmap> field)
{
    m_field = std::move(field);
    // The image shares the field's pixels; it is made once per run, never per frame.
    m_picture = QImage(reinterpret_cast<uchar *>(m_field->pixels()), FieldBitmap::kWidth,
                       FieldBitmap::kHeight, FieldBitmap::kWidth * 4, QImage::Format_RGB32);
    m_field->setChangeHandler(&TImage::fieldChanged, this);
    resize(m_picture.size());
    m_repaintPending = false;
    update();
}

void TImage::fieldChanged(void *self)
{
    // Many drawing operations per frame; one mark is enough until the repaint.
    auto *image = static_cast<TImage *>(self);
    if (!image->m_repaintPending) {
        image->m_repaintPending = true;
        // Only the part inside the window: the field's lowest rows are never shown.
        const QWidget *parent = image->parentWidget();
        image->update(parent ? image->rect() & QRect(-image->pos(), parent->size())
                             : image->rect());
    }
}

void TImage::paintEvent(QPaintEvent *)
{
    m_repaintPending = false;
    ++m_paintCount;
    QPainter painter(this);
    if (!m_paintClip.isEmpty())
        painter.setClipRegion(m_paintClip);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, m_picture);
}
