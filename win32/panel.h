// A panel control, a child window with a one-pixel raised bevel and an optional centred
// caption: the oval buttons and their frames. Reports presses, releases and clicks with
// the button coded left 0, right 1, middle 2 and the position relative to itself. A left
// press holds the mouse until the left button is released, wherever the pointer is then:
// when a press handler runs a loop of its own meanwhile (the context menu, a box), the
// release that goes to that loop ends the press too. A press whose release can no longer
// reach the panel (another window took the mouse, the panel was hidden) is reported as a
// release there; either way without a click, so every left press ends once.
#pragma once

#include "colour.h"
#include "faces.h"
#include "mousebutton.h"
#include "window.h"

#include <functional>
#include <string>

class TPanel final : public Window<TPanel>
{
public:
    using MouseHandler = std::function<void(TPanel *sender, TMouseButton button, int x, int y)>;

    // A hidden child of `parent` at the given place.
    TPanel(HWND parent, int left, int top, int width, int height);

    void setCaption(std::string_view caption);
    TColor Color() const { return m_color; }
    void setColor(TColor colour);
    TColor FontColor() const { return m_fontColor; }
    void setFontColor(TColor colour);
    void setFont(const FontSpec &font);
    void setHandCursor(bool hand) { m_handCursor = hand; }

    int left() const;
    int top() const;
    void setLeft(int left);
    void setTop(int top);
    bool Visible() const;
    void setVisible(bool visible);

    // Clips the control, painting and input, to the ellipse inset inside its edges.
    void setEllipticRegion();

    MouseHandler OnMouseDown;
    MouseHandler OnMouseUp;
    std::function<void()> OnClick;

private:
    friend class Window<TPanel>;
    static void registerClass();
    LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint(HWND hwnd);
    BOOL OnEraseBkgnd(HWND hwnd, HDC dc);
    BOOL OnSetCursor(HWND hwnd, HWND cursorWindow, UINT hitTest, UINT mouseMessage);
    void OnLButtonDown(HWND hwnd, BOOL doubleClick, int x, int y, UINT keys);
    void OnRButtonDown(HWND hwnd, BOOL doubleClick, int x, int y, UINT keys);
    void OnMButtonDown(HWND hwnd, BOOL doubleClick, int x, int y, UINT keys);
    void OnLButtonUp(HWND hwnd, int x, int y, UINT keys);
    void OnRButtonUp(HWND hwnd, int x, int y, UINT keys);
    void OnMButtonUp(HWND hwnd, int x, int y, UINT keys);
    void OnMouseMove(HWND hwnd, int x, int y, UINT keys);
    void OnCaptureChanged(HWND hwnd, HWND newCapture);
    void OnShowWindow(HWND hwnd, BOOL show, UINT status);

    void press(TMouseButton button, POINT at);
    void release(TMouseButton button, POINT at);
    // The left button came up in another window's loop, at `screen`.
    void releasedElsewhere(POINT screen);
    void endHeldPress();
    void moveTo(int left, int top);
    static LRESULT CALLBACK filterMessage(int code, WPARAM wParam, LPARAM lParam);

    int m_width;
    int m_height;
    std::wstring m_caption;
    TColor m_color = clBtnFace;
    TColor m_fontColor = clWindowText;
    GdiObject<HFONT> m_font;
    bool m_handCursor = false;
    bool m_leftHeld = false;
    bool m_inPressHandler = false;   // its loops may take the mouse for a while
    bool m_pressInterrupted = false; // a loop had the mouse: the release clicks nothing
    POINT m_pointer{};               // where the pointer last was during a held press
};
