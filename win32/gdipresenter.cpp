#include "gdipresenter.h"

#include <stdexcept>

GdiPresenter::GdiPresenter(HWND window, int width, int height) : m_window(window), m_width(width)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down: row 0 first, as the field stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    {
        const WindowDC screen(window);
        m_memory.reset(CreateCompatibleDC(screen.get()));
        m_dib.reset(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    }
    if (!m_memory || !m_dib || !bits)
        throw std::runtime_error("cannot create the field's bitmap");
    m_bits = static_cast<std::uint32_t *>(bits);
    m_selected.emplace(m_memory.get(), m_dib.get());
}

void GdiPresenter::put(int visibleHeight)
{
    {
        const WindowDC window(m_window);
        BitBlt(window.get(), 0, 0, m_width, visibleHeight, m_memory.get(), 0, 0, SRCCOPY);
    }
    // GDI may batch the copy; the next frame must not draw until it has been made.
    GdiFlush();
    ++m_stats.puts;
}

void GdiPresenter::present(int visibleHeight)
{
    put(visibleHeight);
    ++m_stats.frames;
}

void GdiPresenter::represent(int visibleHeight)
{
    put(visibleHeight);
}
