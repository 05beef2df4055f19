#include "image.h"

#include <QBackingStore>
#include <QGuiApplication>
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

std::uint32_t *TImage::sharedRows(int &count)
{
    count = 0;
    // Only X11's back buffer stays in one place from frame to frame; others (Wayland)
    // hand out a different buffer for each repaint.
    static const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    if (!x11 || !isVisible())
        return nullptr;
    QBackingStore *store = backingStore();
    QPaintDevice *device = store ? store->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    auto *buffer = static_cast<QImage *>(device);
    const QPoint at = mapTo(window(), QPoint(0, 0));
    // The field's rows must line up with the buffer's: same width, same stride, one
    // device pixel per pixel, and 8 bits a channel laid out as the field's (not, say,
    // the 10-bit layouts of a deep-colour screen).
    const QImage::Format format = buffer->format();
    if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied) ||
        buffer->width() != FieldBitmap::kWidth ||
        buffer->bytesPerLine() != FieldBitmap::kWidth * 4 || buffer->devicePixelRatio() != 1.0 ||
        at.x() != 0 || at.y() < 0 || at.y() >= buffer->height())
        return nullptr;
    count = std::min(FieldBitmap::kHeight, buffer->height() - at.y());
    // The X server may still be reading the last frame from this buffer: a paint cycle
    // on it waits for that, as every repaint of ours would.
    store->beginPaint(QRegion(0, at.y(), FieldBitmap::kWidth, count));
    store->endPaint();
    // constBits: the buffer must not be detached into a copy of its own.
    return reinterpret_cast<std::uint32_t *>(const_cast<uchar *>(buffer->constScanLine(at.y())));
}

void TImage::beginFrame()
{
    if (!m_field)
        return;
    int count = 0;
    std::uint32_t *rows = sharedRows(count);
    m_field->placeTopRows(rows, count);
}

void TImage::keepFrame()
{
    if (m_field)
        m_field->keepPlacedRows();
}

void TImage::paintEvent(QPaintEvent *)
{
    m_repaintPending = false;
    ++m_paintCount;
    // The frame's visible rows are already in the window's buffer, under whatever the
    // controls above the field paint there next.
    if (m_field && m_field->placedRowCount() > 0)
        return;
    QPainter painter(this);
    if (!m_paintClip.isEmpty())
        painter.setClipRegion(m_paintClip);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, m_picture);
}
