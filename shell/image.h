// A windowless picture control. Image1 shows the play field: every drawing operation on
// the field marks the control for repaint, and the repaint copies the field unscaled.
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

    // Paint only inside this region (for platforms that ignore a window's output shape).
    void setPaintClip(const QRegion &region) { m_paintClip = region; }

    // Repaints handled so far, for tests that check the frame pacing.
    quint64 paintCount() const { return m_paintCount; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    static void fieldChanged(void *self);

    QImage m_picture;
    std::unique_ptr<FieldBitmap> m_field;
    QRegion m_paintClip;
    bool m_repaintPending = false;
    quint64 m_paintCount = 0;
};
