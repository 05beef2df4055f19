#include "panel.h"

#include "finishcontrols.h"
#include "fonts.h"
#include "guard.h"

namespace {

constexpr wchar_t kPanelClass[] = L"PlovexPanel";

struct UnhookWindowsHook
{
    void operator()(HHOOK hook) const { UnhookWindowsHookEx(hook); }
};
using OwnedHook = Owned<HHOOK, UnhookWindowsHook>;

// The panel whose held press a loop of its press handler may end; one at a time, as
// there is one left button.
TPanel *g_heldThroughLoop = nullptr;

} // namespace

void TPanel::registerClass()
{
    // No CS_DBLCLKS: a quick second press is an ordinary press, or its release would move
    // back a button that never sank. The cursor is chosen per panel in WM_SETCURSOR.
    WNDCLASSW wc{};
    wc.lpszClassName = kPanelClass;
    Window::registerClass(wc);
}

TPanel::TPanel(HWND parent, int left, int top, int width, int height)
    : m_width(width), m_height(height)
{
    registerClass();
    createWindow(0, kPanelClass, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, left, top,
                 width, height, parent);
}

LRESULT TPanel::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
        HANDLE_MSG(hwnd, WM_PAINT, OnPaint);
        HANDLE_MSG(hwnd, WM_ERASEBKGND, OnEraseBkgnd);
        HANDLE_MSG(hwnd, WM_SETCURSOR, OnSetCursor);
        HANDLE_MSG(hwnd, WM_LBUTTONDOWN, OnLButtonDown);
        HANDLE_MSG(hwnd, WM_RBUTTONDOWN, OnRButtonDown);
        HANDLE_MSG(hwnd, WM_MBUTTONDOWN, OnMButtonDown);
        HANDLE_MSG(hwnd, WM_LBUTTONUP, OnLButtonUp);
        HANDLE_MSG(hwnd, WM_RBUTTONUP, OnRButtonUp);
        HANDLE_MSG(hwnd, WM_MBUTTONUP, OnMButtonUp);
        HANDLE_MSG(hwnd, WM_MOUSEMOVE, OnMouseMove);
        HANDLE_MSG(hwnd, WM_SHOWWINDOW, OnShowWindow);
    case WM_CAPTURECHANGED: // windowsx.h has no cracker for it
        OnCaptureChanged(hwnd, reinterpret_cast<HWND>(lParam));
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void TPanel::OnPaint(HWND hwnd)
{
    const PaintDC paint(hwnd);
    const HDC dc = paint.get();
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
    if (m_caption.empty())
        return;
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

BOOL TPanel::OnEraseBkgnd(HWND, HDC)
{
    return TRUE; // the paint covers everything
}

BOOL TPanel::OnSetCursor(HWND, HWND, UINT, UINT)
{
    SetCursor(LoadCursorW(nullptr, m_handCursor ? IDC_HAND : IDC_ARROW));
    return TRUE;
}

void TPanel::OnLButtonDown(HWND, BOOL, int x, int y, UINT)
{
    press(TMouseButton::Left, {x, y});
}

void TPanel::OnRButtonDown(HWND, BOOL, int x, int y, UINT)
{
    press(TMouseButton::Right, {x, y});
}

void TPanel::OnMButtonDown(HWND, BOOL, int x, int y, UINT)
{
    press(TMouseButton::Middle, {x, y});
}

void TPanel::OnLButtonUp(HWND, int x, int y, UINT)
{
    release(TMouseButton::Left, {x, y});
}

void TPanel::OnRButtonUp(HWND, int x, int y, UINT)
{
    release(TMouseButton::Right, {x, y});
}

void TPanel::OnMButtonUp(HWND, int x, int y, UINT)
{
    release(TMouseButton::Middle, {x, y});
}

void TPanel::OnMouseMove(HWND, int x, int y, UINT keys)
{
    if (!m_leftHeld)
        return;
    m_pointer = {x, y};
    // The release went where we did not see it.
    if (!(keys & MK_LBUTTON))
        endHeldPress();
}

void TPanel::OnCaptureChanged(HWND, HWND)
{
    // A loop of the press handler took the mouse: its release is looked for there.
    if (m_inPressHandler) {
        m_pressInterrupted = m_leftHeld;
        return;
    }
    // Someone else took the mouse (a box, another window): the release goes there.
    endHeldPress();
}

void TPanel::OnShowWindow(HWND hwnd, BOOL show, UINT status)
{
    if (!show)
        endHeldPress();
    FORWARD_WM_SHOWWINDOW(hwnd, show, status, DefWindowProcW);
}

void TPanel::press(TMouseButton button, POINT at)
{
    if (button == TMouseButton::Left) {
        m_leftHeld = true;
        m_pressInterrupted = false;
        m_pointer = at;
        SetCapture(handle());
    }
    if (!OnMouseDown)
        return;
    // The handler may run a loop of its own (the context menu's, a box's), which takes the
    // mouse; a left button held meanwhile is released into that loop, and watched for there.
    OwnedHook filter;
    if (m_leftHeld) {
        g_heldThroughLoop = this;
        filter.reset(SetWindowsHookExW(WH_MSGFILTER, filterMessage, nullptr, GetCurrentThreadId()));
    }
    m_inPressHandler = true;
    guarded([&] { OnMouseDown(this, button, at.x, at.y); });
    m_inPressHandler = false;
    filter.reset();
    g_heldThroughLoop = nullptr;
    // The loop is over and the left button still held: its release is the panel's again.
    if (m_leftHeld && GetCapture() != handle()) {
        if (GetKeyState(VK_LBUTTON) < 0)
            SetCapture(handle());
        else
            endHeldPress();
    }
}

LRESULT CALLBACK TPanel::filterMessage(int code, WPARAM wParam, LPARAM lParam)
{
    const auto *message = reinterpret_cast<const MSG *>(lParam);
    if (code >= 0 && message->message == WM_LBUTTONUP && g_heldThroughLoop)
        g_heldThroughLoop->releasedElsewhere(message->pt);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void TPanel::releasedElsewhere(POINT screen)
{
    ScreenToClient(handle(), &screen);
    m_pointer = screen;
    endHeldPress();
}

void TPanel::release(TMouseButton button, POINT at)
{
    bool clicked = false;
    if (button == TMouseButton::Left) {
        if (!m_leftHeld)
            return; // its press ended already, or was never ours
        // The click comes before the release handler, only inside the control's
        // rectangle where it stands now, and not after a menu or box had the mouse.
        clicked =
            !m_pressInterrupted && at.x >= 0 && at.y >= 0 && at.x < m_width && at.y < m_height;
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
    if (GetCapture() == handle())
        ReleaseCapture();
    if (OnMouseUp)
        guarded([&] { OnMouseUp(this, TMouseButton::Left, m_pointer.x, m_pointer.y); });
}

void TPanel::setCaption(std::string_view caption)
{
    const std::wstring wide = widen(caption);
    if (wide == m_caption)
        return;
    m_caption = wide;
    InvalidateRect(handle(), nullptr, FALSE);
}

void TPanel::setColor(TColor colour)
{
    if (colour == m_color)
        return;
    m_color = colour;
    InvalidateRect(handle(), nullptr, FALSE);
}

void TPanel::setFontColor(TColor colour)
{
    if (colour == m_fontColor)
        return;
    m_fontColor = colour;
    if (!m_caption.empty())
        InvalidateRect(handle(), nullptr, FALSE);
}

void TPanel::setFont(const FontSpec &font)
{
    m_font = createFont(font);
    InvalidateRect(handle(), nullptr, FALSE);
}

int TPanel::left() const
{
    RECT r;
    GetWindowRect(handle(), &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(handle()), reinterpret_cast<POINT *>(&r), 2);
    return r.left;
}

int TPanel::top() const
{
    RECT r;
    GetWindowRect(handle(), &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(handle()), reinterpret_cast<POINT *>(&r), 2);
    return r.top;
}

void TPanel::moveTo(int left, int top)
{
    SetWindowPos(handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
    return (GetWindowLongW(handle(), GWL_STYLE) & WS_VISIBLE) != 0;
}

void TPanel::setVisible(bool visible)
{
    if (visible != Visible())
        ShowWindow(handle(), visible ? SW_SHOWNA : SW_HIDE);
}

void TPanel::setEllipticRegion()
{
    setWindowRegion(handle(), GdiObject<HRGN>(CreateEllipticRgn(
                                  kButtonRegionInset, kButtonRegionInset,
                                  m_width - kButtonRegionInset, m_height - kButtonRegionInset)));
}
