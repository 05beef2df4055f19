#include "image.h"

#include "label.h"
#ifdef PLOVEX_X11
#include "shmpresenter.h"
#endif

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>
#include <cstring>

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

} // namespace

// The pixels of an overlay that are not fully transparent, as runs along its rows; text
// over a transparent label is a small part of its rectangle.
struct TImage::Overlay
{
    struct Run
    {
        int y, left, right; // right exclusive
        bool opaque;        // every pixel of the run fully covers the field
    };

    TLabel *label;
    qint64 imageKey = 0; // the label image the runs were found in
    std::vector<Run> runs;

    void findRuns(const QImage &image)
    {
        imageKey = image.cacheKey();
        runs.clear();
        for (int y = 0; y < image.height(); ++y) {
            const auto *line = reinterpret_cast<const std::uint32_t *>(image.constScanLine(y));
            for (int x = 0; x < image.width();) {
                if ((line[x] >> 24) == 0) {
                    ++x;
                    continue;
                }
                Run run{y, x, x, true};
                for (; x < image.width() && (line[x] >> 24) != 0; ++x)
                    run.opaque = run.opaque && (line[x] >> 24) == 0xFF;
                run.right = x;
                runs.push_back(run);
            }
        }
    }

    // Blends the label image over opaque field pixels with its corner at `at`, clipped to
    // the field.
    void blendOver(std::uint32_t *field, const QImage &image, QPoint at) const
    {
        for (const Run &run : runs) {
            const int y = at.y() + run.y;
            const int left = std::max(at.x() + run.left, 0);
            const int right = std::min(at.x() + run.right, FieldBitmap::kWidth);
            if (y < 0 || y >= FieldBitmap::kHeight || left >= right)
                continue;
            const auto *s = reinterpret_cast<const std::uint32_t *>(image.constScanLine(run.y)) +
                            (left - at.x());
            std::uint32_t *d = field + y * FieldBitmap::kWidth + left;
            if (run.opaque) {
                std::memcpy(d, s, std::size_t(right - left) * sizeof *d);
                continue;
            }
            for (int i = 0; i < right - left; ++i) {
                const std::uint32_t alpha = s[i] >> 24;
                d[i] = alpha == 0xFF ? s[i] : 0xFF000000u | (s[i] + byteMul(d[i], 255 - alpha));
            }
        }
    }
};

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

void TImage::setField(std::unique_ptr<FieldBitmap> field)
{
    m_field = std::move(field);
    if (m_presenter) {
#ifdef PLOVEX_X11
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
#ifdef PLOVEX_X11
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
    m_overlays.push_back(Overlay{label, 0, {}});
    label->setComposited([this] {
        m_overlaysChanged = true;
        markForRepaint();
    });
}

void TImage::beginFrame()
{
#ifdef PLOVEX_X11
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
    for (Overlay &overlay : m_overlays) {
        if (overlay.label->isHidden())
            continue;
        const QImage &image = overlay.label->composite();
        if (image.cacheKey() != overlay.imageKey)
            overlay.findRuns(image);
        overlay.blendOver(m_field->pixels(), image, overlay.label->pos() - pos());
    }
    m_overlaysComposed = true;
    m_overlaysChanged = false;
}

void TImage::paintEvent(QPaintEvent *)
{
    m_repaintPending = false;
#ifdef PLOVEX_X11
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
