#include "image.h"

#include "label.h"
#include "selfpaint.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

TImage::TImage(QWidget *parent) : QWidget(parent)
{
    // The picture is opaque and covers the control: no background erase under it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

TImage::~TImage()
{
    SelfPaint::clear(this);
    if (m_field)
        m_field->setChangeHandler(nullptr, nullptr);
}

QImage sheetPicture(const SpriteSheet &sheet)
{
    return QImage(reinterpret_cast<const uchar *>(sheet.pixels.data()), kSheetWidth, kSheetHeight,
                  kSheetWidth * 4, QImage::Format_RGB32);
}

void TImage::setPicture(const QImage &picture)
{
    m_field.reset();
    m_picture = picture;
    resize(m_picture.size());
    update();
}

void TImage::setPresenter(std::unique_ptr<Presenter> presenter)
{
    m_presenter = std::move(presenter);
}

void TImage::setOwnWindow(bool own)
{
    m_ownWindow = own;
    setAttribute(Qt::WA_PaintOnScreen, own);
    if (own)
        setAttribute(Qt::WA_NativeWindow);
}

void TImage::setField(std::unique_ptr<FieldBitmap> field)
{
    m_field = std::move(field);
    if (m_presenter) {
        m_presenter->resetStats();
        m_field->useStore(m_presenter->pixels(), FieldBitmap::StoreContent::KeepPixels);
    } else {
        // Without a presenter the control paints the field itself; the image shares its
        // pixels and is made once per run, never per frame.
        m_picture = QImage(reinterpret_cast<uchar *>(m_field->pixels()), FieldBitmap::kWidth,
                           FieldBitmap::kHeight, FieldBitmap::kWidth * 4, QImage::Format_RGB32);
    }
    m_field->setChangeHandler(&TImage::fieldChanged, this);
    m_overlaysComposed = false;
    m_framePresented = false;
    resize(FieldBitmap::kWidth, FieldBitmap::kHeight);
    m_repaintPending = false;
    update();
}

void TImage::addOverlay(TLabel *label)
{
    m_overlays.push_back(LabelOverlay{label, 0, {}});
    label->setComposited([this] {
        m_overlaysChanged = true;
        markForRepaint();
    });
}

void TImage::beginFrame()
{
    // The presenter's present() returned once the last frame was on the screen, so its
    // pixels are free to draw into.
    if (m_presenter && m_field && m_presenter->pixels() != m_field->pixels())
        m_field->useStore(m_presenter->pixels(), FieldBitmap::StoreContent::Undefined);
    m_overlaysComposed = false;
    m_framePresented = false;
}

QPaintEngine *TImage::paintEngine() const
{
    // A presenter that puts the field on this window itself: nothing of Qt's paints it.
    return m_ownWindow ? nullptr : QWidget::paintEngine();
}

void TImage::fieldChanged(void *self)
{
    static_cast<TImage *>(self)->markForRepaint();
}

void TImage::markForRepaint()
{
    // Many drawing operations per frame; one mark is enough until the repaint.
    if (!m_repaintPending) {
        m_repaintPending = true;
        // A presenter that puts the field on this window itself needs nothing of the
        // toolkit's repaint, so the program's loop delivers it.
        if (m_ownWindow) {
            SelfPaint::mark(this);
            return;
        }
        // Only the part inside the window: the field's lowest rows are never shown.
        const QWidget *parent = parentWidget();
        update(parent ? rect() & QRect(-pos(), parent->size()) : rect());
    }
}

void TImage::composeOverlays()
{
    // Each frame gets the labels once; a repaint of the same frame (an expose) shows it
    // again as it is. A label that changes after the last frame is composed over it again,
    // which shows it right once the labels are opaque, as they are when a run is over.
    if (m_overlaysComposed && !m_overlaysChanged)
        return;
    for (LabelOverlay &each : m_overlays) {
        if (each.label->isHidden())
            continue;
        const QImage &picture = each.label->composite();
        if (picture.cacheKey() != each.pictureKey) {
            each.pictureKey = picture.cacheKey();
            each.overlay.setPicture({reinterpret_cast<const std::uint32_t *>(picture.constBits()),
                                     picture.width(), picture.height(),
                                     int(picture.bytesPerLine() / 4)});
        }
        const QPoint at = each.label->pos() - pos();
        each.overlay.blendOver(m_field->pixels(), FieldBitmap::kWidth, FieldBitmap::kHeight, at.x(),
                               at.y());
    }
    m_overlaysComposed = true;
    m_overlaysChanged = false;
}

void TImage::paintEvent(QPaintEvent *)
{
    m_repaintPending = false;
    SelfPaint::clear(this); // an expose painted it first
    if (m_presenter && m_field) {
        composeOverlays();
        const QWidget *parent = parentWidget();
        const int visible = parent ? std::min(height(), parent->height() - y()) : height();
        if (m_framePresented) {
            m_presenter->represent(visible);
        } else {
            m_presenter->present(visible);
            m_framePresented = true;
        }
        return;
    }
    QPainter painter(this);
    if (!m_paintClip.isEmpty())
        painter.setClipRegion(m_paintClip);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, m_picture);
}
