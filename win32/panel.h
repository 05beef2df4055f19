// A panel control, a child window with a one-pixel raised bevel and an optional centred
// caption: the oval buttons and their frames. Reports presses, releases and clicks with
// the button coded left 0, right 1, middle 2 and the position relative to itself. A left
// press holds the mouse until its release; a press whose release never reaches the panel
// (a menu or another window took the mouse) is reported as a release without a click, so
// every left press ends once.
#pragma once

#include "colour.h"
#include "faces.h"
#include "winapi.h"

#include <functional>
#include <string>

enum class TMouseButton { Left = 0, Right = 1, Middle = 2 };

class TPanel
{
public:
    using MouseHandler = std::function<void(TPanel *sender, TMouseButton button, int x, int y)>;

    // A hidden child of `parent` at the given place.
    TPanel(HWND parent, int left, int top, int width, int height);
    ~TPanel();
    TPanel(const TPanel &) = delete;
    TPanel &operator=(const TPanel &) = delete;

    HWND handle() const { return m_window; }

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

    static void registerClass(HINSTANCE instance);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT message, WPARAM wp, LPARAM lp);
    void onPaint();
    void press(TMouseButton button, LPARAM lp);
    void release(TMouseButton button, LPARAM lp);
    void endHeldPress();
    void moveTo(int left, int top);

    HWND m_window = nullptr;
    int m_width;
    int m_height;
    std::wstring m_caption;
    TColor m_color = clBtnFace;
    TColor m_fontColor = clWindowText;
    GdiObject<HFONT> m_font;
    bool m_handCursor = false;
    bool m_leftHeld = false;
    POINT m_pointer{}; // where the pointer last was during a held press
};
