// Frames through GDI: the field is a 32-bit top-down DIB section that the engine draws into
// directly, put on the window with BitBlt; GdiFlush then makes sure the copy has been done
// before the next frame draws into the same memory.
#pragma once

#include "presenter.h"
#include "winapi.h"

#include <optional>

class GdiPresenter final : public Presenter
{
public:
    GdiPresenter(HWND window, int width, int height);
    GdiPresenter(const GdiPresenter &) = delete;
    GdiPresenter &operator=(const GdiPresenter &) = delete;

    std::uint32_t *pixels() override { return m_bits; }
    void present(int visibleHeight) override;
    void represent(int visibleHeight) override;
    std::string_view path() const override { return "gdi"; }
    // The copy is made before BitBlt and GdiFlush return: there is no completion to wait for.
    bool measuresWaits() const override { return false; }

private:
    void put(int visibleHeight);

    HWND m_window;
    int m_width;
    // Destroyed in reverse: the bitmap is let go by the memory context before it is deleted.
    MemoryDC m_memory;
    GdiObject<HBITMAP> m_dib;
    std::optional<Selected> m_selected;
    std::uint32_t *m_bits = nullptr;
};
