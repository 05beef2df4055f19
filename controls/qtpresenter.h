// Puts the field on the screen through the toolkit's back buffer: for Wayland, a display
// without MIT-SHM, or another pixel layout. present() copies the frame into the back
// buffer from the view's repaint, and the toolkit hands it to the window system as that
// repaint returns, before the loop draws the next frame (never a wait for the display's
// refresh, which the toolkit does not ask for here).
#pragma once

#include "presenter.h"

#include <QImage>

#include <vector>

class TImage;

class QtPresenter final : public Presenter
{
public:
    QtPresenter(TImage &view, int width, int height);

    std::uint32_t *pixels() override { return m_pixels.data(); }
    // Both only from the view's repaint, which gives them a painter on it.
    void present(int visibleHeight) override;
    void represent(int visibleHeight) override;
    std::string_view path() const override { return "qt"; }
    bool measuresWaits() const override { return false; }

private:
    TImage &m_view;
    std::vector<std::uint32_t> m_pixels;
    QImage m_image; // shares m_pixels
};
