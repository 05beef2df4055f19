// The Windows headers as every file here includes them, UTF-8 to UTF-16 for the engine's
// texts, and small owners for GDI objects so that every Create... has its Delete....
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

// Owns one GDI object (font, brush, pen, bitmap, region) until it is replaced or dropped.
template <typename Handle> class GdiObject
{
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : m_handle(handle) {}
    GdiObject(const GdiObject &) = delete;
    GdiObject &operator=(const GdiObject &) = delete;
    GdiObject(GdiObject &&other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    GdiObject &operator=(GdiObject &&other) noexcept
    {
        reset(std::exchange(other.m_handle, nullptr));
        return *this;
    }
    ~GdiObject() { reset(); }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    void reset(Handle handle = nullptr)
    {
        if (m_handle)
            DeleteObject(m_handle);
        m_handle = handle;
    }
    // Hands the object to someone who deletes it (the window system, for a region).
    Handle release() { return std::exchange(m_handle, nullptr); }

private:
    Handle m_handle = nullptr;
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
