// A windowless picture control. Image1 shows the play field: every drawing operation on
// the field marks the control for repaint, and the repaint hands the frame, with the
// labels over it composed into its pixels, to the control's presenter. The field lives in
// the presenter's memory, and the control knows nothing of how it reaches the screen.
#pragma once

#include "fieldbitmap.h"
#include "overlay.h"
#include "presenter.h"
#include "spritesheet.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <vector>

class TLabel;

// A sheet as a picture that shares its pixels.
QImage sheetPicture(const SpriteSheet &sheet);

class TImage : public QWidget
{
public:
    explicit TImage(QWidget *parent);
    ~TImage() override;

    // A plain picture (the sprite sheets); the control takes its size.
    void setPicture(const QImage &picture);

    // How the field reaches the screen; set once, before the first field.
    void setPresenter(std::unique_ptr<Presenter> presenter);
    const Presenter *presenter() const { return m_presenter.get(); }
    // The control is a window of its own that its presenter puts the field on: the toolkit
    // paints nothing of it, and its repaints bypass the toolkit's update queue.
    void setOwnWindow(bool own);

    // Installs the field, drawing into the presenter's pixels; the previous one is released.
    void setField(std::unique_ptr<FieldBitmap> field);
    FieldBitmap *Field() const { return m_field.get(); }

    // Paint only inside this region (where a window's shape does not cut its output).
    void setPaintClip(const QRegion &region) { m_paintClip = region; }
    const QRegion &paintClip() const { return m_paintClip; }

    // A label composed into the field's pixels by this control, in z-order; Qt no longer
    // paints it.
    void addOverlay(TLabel *label);

    // Start of a frame that draws the whole field anew.
    void beginFrame();

    QPaintEngine *paintEngine() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    static void fieldChanged(void *self);
    void markForRepaint();
    void composeOverlays();

    QImage m_picture;
    std::unique_ptr<Presenter> m_presenter;
    std::unique_ptr<FieldBitmap> m_field;
    QRegion m_paintClip;
    bool m_ownWindow = false;
    bool m_repaintPending = false;
    bool m_framePresented = false; // the current frame has been presented once

    struct LabelOverlay
    {
        TLabel *label;
        qint64 pictureKey = 0; // the label picture the overlay was made from
        Overlay overlay;
    };
    std::vector<LabelOverlay> m_overlays;
    bool m_overlaysComposed = false; // into the current frame
    bool m_overlaysChanged = false;
};
