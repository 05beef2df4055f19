// A windowless picture control. Image1 shows the play field: every drawing operation on
// the field marks the control for repaint, and the repaint puts the field on the screen
// unscaled. On X11 the field's visible rows are drawn straight into the window's back
// buffer during a run, so the repaint has nothing left to copy on our side.
#pragma once

#include "fieldbitmap.h"

#include <QImage>
#include <QWidget>

#include <memory>

class TImage : public QWidget
{
public:
    explicit TImage(QWidget *parent);
    ~TImage() override;

    // A plain picture (the sprite sheets); the control takes its size.
    void setPicture(const QImage &picture);
    const QImage &Picture() const { return m_picture; }

    // Installs the field as the picture; the previous field is released.
    void setField(std::unique_ptr<FieldBitmap> field);
    FieldBitmap *Field() const { return m_field.get(); }

    // Called before each frame is drawn: where the window's back buffer can be shared,
    // waits until the X server has read the last frame from it and lets the field draw
    // its visible rows there; otherwise the field draws into its own memory.
    void beginFrame();
    // Called after a run's last frame: the field takes its visible rows back into its own
    // memory, so that repaints without a new frame (blinking buttons, a sinking button)
    // find the field's pixels.
    void keepFrame();

    // Paint only inside this region (for platforms that ignore a window's output shape).
    void setPaintClip(const QRegion &region) { m_paintClip = region; }

    // Repaints handled so far, for tests that check the frame pacing.
    quint64 paintCount() const { return m_paintCount; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    static void fieldChanged(void *self);
    // The rows of the window's back buffer the field may draw into, or nullptr.
    std::uint32_t *sharedRows(int &count);

    QImage m_picture;
    std::unique_ptr<FieldBitmap> m_field;
    QRegion m_paintClip;
    bool m_repaintPending = false;
    quint64 m_paintCount = 0;
};
