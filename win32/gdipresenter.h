// Frames through GDI: the field is a 32-bit top-down DIB section that the engine draws into
// directly, put on the window with BitBlt; GdiFlush then makes sure the copy has been done
// before the next frame draws into the same memory.
#pragma once

#include "presenter.h"
#include "winapi.h"

class GdiPresenter final : public Presenter
{
public:
    GdiPresenter(HWND window, int width, int height);
    ~GdiPresenter() override;
    GdiPresenter(const GdiPresenter &) = delete;
    GdiPresenter &operator=(const GdiPresenter &) = delete;

    std::uint32_t *pixels() override { return m_bits; }
    void present(int visibleHeight) override;
    void represent(int visibleHeight) override;
    std::string_view path() const override { return "gdi"; }

private:
    void put(int visibleHeight);

    HWND m_window;
    int m_width;
    HDC m_memory = nullptr;
    GdiObject<HBITMAP> m_dib;
    HGDIOBJ m_previous = nullptr;
    std::uint32_t *m_bits = nullptr;
};
