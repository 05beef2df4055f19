// The Windows headers as every file here includes them, UTF-8 to UTF-16 for the engine's
// texts, and small owners for handles and device contexts, so that every Create... has
// its Delete... and every Get... or Begin... its Release... or End....
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "colour.h"

#include <string>
#include <string_view>
#include <utility>

// The program's icon among the resources of plovex.rc.
constexpr wchar_t kIconResource[] = L"PLOVEX";

// The engine's texts are UTF-8; Windows takes UTF-16.
std::wstring widen(std::string_view text);
std::string narrow(std::wstring_view text);

// A theme colour resolved through the desktop, a plain one as GDI orders it.
COLORREF toColorRef(TColor colour);

// Owns one handle until it is replaced or dropped, and gives it back with a `Delete`.
template <typename Handle, typename Delete> class Owned
{
public:
    Owned() = default;
    explicit Owned(Handle handle) : m_handle(handle) {}
    Owned(const Owned &) = delete;
    Owned &operator=(const Owned &) = delete;
    Owned(Owned &&other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    Owned &operator=(Owned &&other) noexcept
    {
        reset(std::exchange(other.m_handle, nullptr));
        return *this;
    }
    ~Owned() { reset(); }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    void reset(Handle handle = nullptr)
    {
        if (m_handle)
            Delete()(m_handle);
        m_handle = handle;
    }
    // Hands the handle to someone who deletes it (the window system, for a region).
    Handle release() { return std::exchange(m_handle, nullptr); }

private:
    Handle m_handle = nullptr;
};

struct DeleteGdiObject
{
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DeleteMemoryDC
{
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct DestroyMenuHandle
{
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};

// A GDI object: font, brush, pen, bitmap, region.
template <typename Handle> using GdiObject = Owned<Handle, DeleteGdiObject>;
// A device context of its own, in memory.
using MemoryDC = Owned<HDC, DeleteMemoryDC>;
using OwnedMenu = Owned<HMENU, DestroyMenuHandle>;

// A window's device context, lent for one scope.
class WindowDC
{
public:
    explicit WindowDC(HWND window) : m_window(window), m_dc(GetDC(window)) {}
    WindowDC(const WindowDC &) = delete;
    WindowDC &operator=(const WindowDC &) = delete;
    ~WindowDC() { ReleaseDC(m_window, m_dc); }
    HDC get() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// WM_PAINT's device context, from BeginPaint to EndPaint.
class PaintDC
{
public:
    explicit PaintDC(HWND window) : m_window(window), m_dc(BeginPaint(window, &m_paint)) {}
    PaintDC(const PaintDC &) = delete;
    PaintDC &operator=(const PaintDC &) = delete;
    ~PaintDC() { EndPaint(m_window, &m_paint); }
    HDC get() const { return m_dc; }
    const RECT &area() const { return m_paint.rcPaint; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
    HDC m_dc;
};

// Selects an object into a device context for one scope.
class Selected
{
public:
    Selected(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(SelectObject(dc, object)) {}
    Selected(const Selected &) = delete;
    Selected &operator=(const Selected &) = delete;
    ~Selected() { SelectObject(m_dc, m_previous); }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// Gives `region` to the window, which owns it from then on; if the window does not take
// it, the region is deleted here.
inline void setWindowRegion(HWND window, GdiObject<HRGN> region)
{
    if (SetWindowRgn(window, region.get(), TRUE))
        region.release();
}
