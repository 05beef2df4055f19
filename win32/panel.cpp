#include "panel.h"

#include "finishcontrols.h"
#include "fonts.h"
#include "guard.h"

#include <windowsx.h>

namespace {

constexpr wchar_t kPanelClass[] = L"PlovexPanel";

POINT pointOf(LPARAM lp)
{
    return {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
}

} // namespace

void TPanel::registerClass(HINSTANCE instance)
{
    // No CS_DBLCLKS: a quick second press is an ordinary press, or its release would move
    // back a button that never sank.
    WNDCLASSW wc{};
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.lpszClassName = kPanelClass;
    wc.hCursor = nullptr; // chosen per panel in WM_SETCURSOR
    RegisterClassW(&wc);
}

TPanel::TPanel(HWND parent, int left, int top, int width, int height)
    : m_width(width), m_height(height)
{
    m_window =
        CreateWindowExW(0, kPanelClass, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, left,
                        top, width, height, parent, nullptr, GetModuleHandleW(nullptr), this);
}

TPanel::~TPanel()
{
    if (m_window) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
}

LRESULT CALLBACK TPanel::procedure(HWND window, UINT message, WPARAM wp, LPARAM lp)
{
    if (message == WM_NCCREATE) {
        auto *create = reinterpret_cast<CREATESTRUCTW *>(lp);
        auto *self = static_cast<TPanel *>(create->lpCreateParams);
        self->m_window = window; // before CreateWindowExW returns it
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto *panel = reinterpret_cast<TPanel *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!panel)
        return DefWindowProcW(window, message, wp, lp);
    return panel->handle(message, wp, lp);
}

LRESULT TPanel::handle(UINT message, WPARAM wp, LPARAM lp)
{
    switch (message) {
    case WM_PAINT:
        onPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // the paint covers everything
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, m_handCursor ? IDC_HAND : IDC_ARROW));
        return TRUE;
    case WM_LBUTTONDOWN:
        press(TMouseButton::Left, lp);
        return 0;
    case WM_RBUTTONDOWN:
        press(TMouseButton::Right, lp);
        return 0;
    case WM_MBUTTONDOWN:
        press(TMouseButton::Middle, lp);
        return 0;
    case WM_LBUTTONUP:
        release(TMouseButton::Left, lp);
        return 0;
    case WM_RBUTTONUP:
        release(TMouseButton::Right, lp);
        return 0;
    case WM_MBUTTONUP:
        release(TMouseButton::Middle, lp);
        return 0;
    case WM_MOUSEMOVE:
        if (m_leftHeld)
            m_pointer = pointOf(lp);
        return 0;
    case WM_CAPTURECHANGED:
        // Someone else took the mouse (a menu, a message box): the release goes there.
        endHeldPress();
        return 0;
    case WM_SHOWWINDOW:
        if (!wp)
            endHeldPress();
        break;
    }
    return DefWindowProcW(m_window, message, wp, lp);
}

void TPanel::press(TMouseButton button, LPARAM lp)
{
    const POINT at = pointOf(lp);
    if (button == TMouseButton::Left) {
        m_leftHeld = true;
        m_pointer = at;
        SetCapture(m_window);
    }
    if (OnMouseDown)
        guarded([&] { OnMouseDown(this, button, at.x, at.y); });
}

void TPanel::release(TMouseButton button, LPARAM lp)
{
    const POINT at = pointOf(lp);
    bool clicked = false;
    if (button == TMouseButton::Left) {
        if (!m_leftHeld)
            return; // its press ended already, or was never ours
        // The click comes before the release handler, only inside the control's
        // rectangle where it stands now.
        clicked = at.x >= 0 && at.y >= 0 && at.x < m_width && at.y < m_height;
        m_leftHeld = false;
        ReleaseCapture();
    }
    if (clicked && OnClick)
        guarded(OnClick);
    if (OnMouseUp)
        guarded([&] { OnMouseUp(this, button, at.x, at.y); });
}

void TPanel::endHeldPress()
{
    if (!m_leftHeld)
        return;
    m_leftHeld = false;
    if (GetCapture() == m_window)
        ReleaseCapture();
    if (OnMouseUp)
        guarded([&] { OnMouseUp(this, TMouseButton::Left, m_pointer.x, m_pointer.y); });
}

void TPanel::onPaint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_window, &ps);
    const int w = m_width, h = m_height;
    const RECT inside{1, 1, w - 1, h - 1};
    SetDCBrushColor(dc, toColorRef(m_color));
    FillRect(dc, &inside, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    // Raised bevel: light along the top and left, shadow along the bottom and right.
    const Selected pen(dc, GetStockObject(DC_PEN));
    SetDCPenColor(dc, toColorRef(clBtnHighlight));
    MoveToEx(dc, 0, h - 1, nullptr);
    LineTo(dc, 0, 0);
    LineTo(dc, w - 1, 0);
    SetDCPenColor(dc, toColorRef(clBtnShadow));
    MoveToEx(dc, w - 1, 0, nullptr);
    LineTo(dc, w - 1, h - 1);
    LineTo(dc, -1, h - 1);
    if (!m_caption.empty()) {
        const Selected font(dc, m_font.get());
        SIZE text{};
        GetTextExtentPoint32W(dc, m_caption.c_str(), static_cast<int>(m_caption.size()), &text);
        // Centred across, and down by the height of a "W" in the panel's font.
        SIZE letter{};
        GetTextExtentPoint32W(dc, L"W", 1, &letter);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, toColorRef(m_fontColor));
        TextOutW(dc, 1 + ((w - 2) - text.cx) / 2, (h - letter.cy) / 2, m_caption.c_str(),
                 static_cast<int>(m_caption.size()));
    }
    EndPaint(m_window, &ps);
}

void TPanel::setCaption(std::string_view caption)
{
    const std::wstring wide = widen(caption);
    if (wide == m_caption)
        return;
    m_caption = wide;
    InvalidateRect(m_window, nullptr, FALSE);
}

void TPanel::setColor(TColor colour)
{
    if (colour == m_color)
        return;
    m_color = colour;
    InvalidateRect(m_window, nullptr, FALSE);
}

void TPanel::setFontColor(TColor colour)
{
    if (colour == m_fontColor)
        return;
    m_fontColor = colour;
    if (!m_caption.empty())
        InvalidateRect(m_window, nullptr, FALSE);
}

void TPanel::setFont(const FontSpec &font)
{
    m_font = createFont(font);
    InvalidateRect(m_window, nullptr, FALSE);
}

int TPanel::left() const
{
    RECT r;
    GetWindowRect(m_window, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(m_window), reinterpret_cast<POINT *>(&r), 2);
    return r.left;
}

int TPanel::top() const
{
    RECT r;
    GetWindowRect(m_window, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(m_window), reinterpret_cast<POINT *>(&r), 2);
    return r.top;
}

void TPanel::moveTo(int left, int top)
{
    SetWindowPos(m_window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TPanel::setLeft(int left)
{
    if (left != this->left())
        moveTo(left, top());
}

void TPanel::setTop(int top)
{
    if (top != this->top())
        moveTo(left(), top);
}

bool TPanel::Visible() const
{
    return (GetWindowLongW(m_window, GWL_STYLE) & WS_VISIBLE) != 0;
}

void TPanel::setVisible(bool visible)
{
    if (visible != Visible())
        ShowWindow(m_window, visible ? SW_SHOWNA : SW_HIDE);
}

void TPanel::setEllipticRegion()
{
    SetWindowRgn(m_window,
                 CreateEllipticRgn(kButtonRegionInset, kButtonRegionInset,
                                   m_width - kButtonRegionInset, m_height - kButtonRegionInset),
                 TRUE);
}
