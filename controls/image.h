// A windowless picture control. Image1 shows the play field: every drawing operation on
// the field marks the control for repaint, and the repaint copies the field unscaled.
// Where the display allows, the field is instead drawn straight into images the X server
// reads, and the control puts them on the screen itself (see ShmPresenter).
#pragma once

#include "fieldbitmap.h"
#include "spritesheet.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <vector>

class ShmPresenter;
class TLabel;

// A sheet as a picture that shares its pixels.
QImage sheetPicture(const SpriteSheet &sheet);

class TImage : public QWidget
{
public:
    explicit TImage(QWidget *parent);
    ~TImage() override; // where Overlay is complete

    // A plain picture (the sprite sheets); the control takes its size.
    void setPicture(const QImage &picture);
    const QImage &Picture() const { return m_picture; }

    // Installs the field as the picture; the previous field is released.
    void setField(std::unique_ptr<FieldBitmap> field);
    FieldBitmap *Field() const { return m_field.get(); }

    // Paint only inside this region (for platforms that ignore a window's output shape).
    void setPaintClip(const QRegion &region) { m_paintClip = region; }

    // Makes the control a window of its own that puts the field from shared memory, if the
    // display allows it; call before the control's window exists. The control then covers
    // whatever its parent paints beneath it, so labels over the field must be overlays.
    bool presentDirectly();
    // The presenter while presenting directly, else null.
    const ShmPresenter *presenter() const { return m_presenter.get(); }
    // A label drawn over the field by this control, in z-order (direct presentation only).
    void addOverlay(TLabel *label);

    // Start of a frame that draws the whole field anew: while presenting directly, the
    // field moves to an image the X server has finished reading.
    void beginFrame();

    QPaintEngine *paintEngine() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    static void fieldChanged(void *self);
    void markForRepaint();
    void composeOverlays();

    QImage m_picture;
    std::unique_ptr<FieldBitmap> m_field;
    QRegion m_paintClip;
    bool m_repaintPending = false;

    std::unique_ptr<ShmPresenter> m_presenter;
    struct Overlay;
    std::vector<Overlay> m_overlays;
    bool m_overlaysComposed = false; // into the current frame's image
    bool m_overlaysChanged = false;
};
