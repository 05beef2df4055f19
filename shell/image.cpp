#include "image.h"

#include "label.h"
#ifdef PLOVEX_SHM_PRESENTER
#include "shmpresenter.h"
#endif

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

namespace {

// (s + d * (255 - alpha of s)) / 255 per channel for a premultiplied source, rounded as
// Qt's own source-over does.
inline std::uint32_t byteMul(std::uint32_t x, std::uint32_t a)
{
    std::uint32_t t = (x & 0xFF00FFu) * a;
    t = (t + ((t >> 8) & 0xFF00FFu) + 0x800080u) >> 8;
    t &= 0xFF00FFu;
    x = ((x >> 8) & 0xFF00FFu) * a;
    x = x + ((x >> 8) & 0xFF00FFu) + 0x800080u;
    x &= 0xFF00FF00u;
    return x | t;
}

// Blends a premultiplied ARGB image over opaque field pixels with its corner at `at`,
// clipped to the field.
void blendOver(std::uint32_t *field, const QImage &image, QPoint at)
{
    const QRect target =
        QRect(at, image.size()) & QRect(0, 0, FieldBitmap::kWidth, FieldBitmap::kHeight);
    for (int y = target.top(); y <= target.bottom(); ++y) {
        const auto *s = reinterpret_cast<const std::uint32_t *>(image.constScanLine(y - at.y())) +
                        (target.left() - at.x());
        std::uint32_t *d = field + y * FieldBitmap::kWidth + target.left();
        for (int i = 0; i < target.width(); ++i) {
            const std::uint32_t alpha = s[i] >> 24;
            if (alpha == 0xFF)
                d[i] = s[i];
            else if (alpha != 0)
                d[i] = 0xFF000000u | (s[i] + byteMul(d[i], 255 - alpha));
        }
    }
}

} // namespace

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
    if (m_presenter) {
#ifdef PLOVEX_SHM_PRESENTER
        m_presenter->resetStats();
        m_field->useStore(m_presenter->acquire(), FieldBitmap::StoreContent::KeepPixels);
        m_overlaysComposed = false;
#endif
    } else {
        // The image shares the field's pixels; it is made once per run, never per frame.
        m_picture = QImage(reinterpret_cast<uchar *>(m_field->pixels()), FieldBitmap::kWidth,
                           FieldBitmap::kHeight, FieldBitmap::kWidth * 4, QImage::Format_RGB32);
    }
    m_field->setChangeHandler(&TImage::fieldChanged, this);
    resize(FieldBitmap::kWidth, FieldBitmap::kHeight);
    m_repaintPending = false;
    update();
}

bool TImage::presentDirectly()
{
#ifdef PLOVEX_SHM_PRESENTER
    if (!m_presenter)
        m_presenter = ShmPresenter::create(FieldBitmap::kWidth, FieldBitmap::kHeight);
    if (m_presenter) {
        // The labels and pictures beside this control stay windowless; by default Qt would
        // make them windows too, and those would cover the field with stale pixels.
        QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
        // Qt must not paint this window from its back buffer: that would cover our puts.
        setAttribute(Qt::WA_PaintOnScreen);
        setAttribute(Qt::WA_NativeWindow);
        // Presses go through to the main window as before, which drags itself by them
        // (a window manager's move starts from where the main window saw the press).
        winId();
        windowHandle()->setFlag(Qt::WindowTransparentForInput);
    }
#endif
    return m_presenter != nullptr;
}

void TImage::addOverlay(TLabel *label)
{
    m_overlays.push_back(label);
    label->setComposited([this] {
        m_overlaysChanged = true;
        markForRepaint();
    });
}

void TImage::beginFrame()
{
#ifdef PLOVEX_SHM_PRESENTER
    if (m_presenter && m_field) {
        std::uint32_t *image = m_presenter->acquire();
        if (image != m_field->pixels()) {
            m_field->useStore(image, FieldBitmap::StoreContent::Undefined);
            m_overlaysComposed = false;
        }
    }
#endif
}

QPaintEngine *TImage::paintEngine() const
{
    // Painting on screen, nothing of Qt's paints this control.
    return m_presenter ? nullptr : QWidget::paintEngine();
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
        // Only the part inside the window: the field's lowest rows are never shown.
        const QWidget *parent = parentWidget();
        update(parent ? rect() & QRect(-pos(), parent->size()) : rect());
    }
}

void TImage::composeOverlays()
{
    // Each frame's image gets the labels once; a repaint of the same frame (an expose)
    // puts it again as it is.
    if (m_overlaysComposed && !m_overlaysChanged)
        return;
    for (TLabel *label : m_overlays)
        if (!label->isHidden())
            blendOver(m_field->pixels(), label->composite(), label->pos() - pos());
    m_overlaysComposed = true;
    m_overlaysChanged = false;
}

void TImage::paintEvent(QPaintEvent *)
{
    m_repaintPending = false;
    ++m_paintCount;
#ifdef PLOVEX_SHM_PRESENTER
    if (m_presenter) {
        if (m_field) {
            composeOverlays();
            const QWidget *parent = parentWidget();
            const int visible = parent ? std::min(height(), parent->height() - y()) : height();
            m_presenter->present(std::uint32_t(winId()), visible);
        }
        return;
    }
#endif
    QPainter painter(this);
    if (!m_paintClip.isEmpty())
        painter.setClipRegion(m_paintClip);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, m_picture);
}
