#include "mainform.h"

#include "application.h"
#include "finishcontrols.h"
#include "guard.h"
#include "runstate.h"
#include "spritesheet.h"
#include "texts.h"

#include <shellapi.h>

#include <algorithm>

TMainForm *MainForm = nullptr;

namespace {

constexpr wchar_t kMainFormClass[] = L"TMainForm";
constexpr UINT kCommandAbout = 1; // menu items
constexpr UINT kCommandHanntei = 2;
// The layout's design position, replaced by centring before the window is first shown.
constexpr int kDesignLeft = 207;
constexpr int kDesignTop = 188;

HINSTANCE instance()
{
    return GetModuleHandleW(nullptr);
}

} // namespace

void TMainForm::registerClass()
{
    static const bool registered = [] {
        WNDCLASSW wc{};
        // A device context of its own, so that putting a frame looks none up.
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = TMainForm::procedure;
        wc.hInstance = instance();
        wc.lpszClassName = kMainFormClass;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = LoadIconW(instance(), kIconResource);
        // No background brush: the field covers the whole client area.
        RegisterClassW(&wc);
        TPanel::registerClass(instance());
        return true;
    }();
    (void)registered;
}

TMainForm::TMainForm() : m_run(*this, builtInSheets()), m_caption(kMainWindowCaption)
{
    MainForm = this;
    registerClass();
    m_icon = LoadIconW(instance(), kIconResource);
    // The desktop's task bar shows the window's text: the program is listed under the
    // application's title. The caption stays the window's own; with no title bar it is
    // never displayed.
    m_window = CreateWindowExW(WS_EX_APPWINDOW, kMainFormClass, Application->Title().c_str(),
                               WS_POPUP | WS_CLIPCHILDREN, kDesignLeft, kDesignTop, kWidth, kHeight,
                               nullptr, nullptr, instance(), this);
    if (!m_window)
        throw std::runtime_error("cannot create the main window");
    Application->setMainWindow(m_window);
    m_presenter =
        std::make_unique<GdiPresenter>(m_window, FieldBitmap::kWidth, FieldBitmap::kHeight);
    createLabels();
    createButtons();
    createMenu();
    guarded([this] { FormCreate(); });
}

TMainForm::~TMainForm()
{
    if (PopupMenu1)
        DestroyMenu(PopupMenu1);
    // The controls go before the window that holds them.
    saikeisoku.reset();
    shuuryou.reset();
    SaiPanel.reset();
    ShuPanel.reset();
    Timer1.reset();
    if (m_window) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::createLabels()
{
    auto make = [this](MainControl control, TColor colour, TColor fontColour,
                       const FontSpec &font) {
        auto label = std::make_unique<TLabel>([this] { invalidate(); });
        const ControlPlace &place = placeOf(control);
        label->setLeft(place.left);
        label->setTop(place.top);
        label->setColor(colour);
        label->setFontColor(fontColour);
        label->setLabelFont(font);
        label->setTransparent(true);
        label->setVisible(false);
        return label;
    };
    Label1 = make(MainControl::Label1, clPurple, clWhite, kLabel1Font);
    Label3 = make(MainControl::Label3, clWhite, clMaroon, kLabel3Font);
}

void TMainForm::createButtons()
{
    auto makeFrame = [this](const FinishButtonStyle &style) {
        const ControlPlace &place = placeOf(style.frame);
        auto frame =
            std::make_unique<TPanel>(m_window, place.left, place.top, place.width, place.height);
        frame->setColor(clGray);
        // Only the frames show the hand; the buttons keep the arrow.
        frame->setHandCursor(true);
        return frame;
    };
    auto makeButton = [](TPanel &frame, const FinishButtonStyle &style) {
        const ControlPlace &place = placeOf(style.control);
        auto button = std::make_unique<TPanel>(frame.handle(), place.left, place.top, place.width,
                                               place.height);
        button->setColor(kButtonRestFace);
        button->setFontColor(style.restText);
        button->setFont(kButtonFont);
        button->setCaption(style.caption);
        return button;
    };

    const FinishButtonStyle &sai = styleOf(FinishButton::saikeisoku);
    SaiPanel = makeFrame(sai);
    saikeisoku = makeButton(*SaiPanel, sai);
    saikeisoku->OnClick = [this] { saikeisokuClick(); };
    saikeisoku->OnMouseDown = [this](TPanel *s, TMouseButton b, int x, int y) {
        saikeisokuMouseDown(s, b, x, y);
    };
    saikeisoku->OnMouseUp = [this](TPanel *s, TMouseButton b, int x, int y) {
        saikeisokuMouseUp(s, b, x, y);
    };

    const FinishButtonStyle &shu = styleOf(FinishButton::shuuryou);
    ShuPanel = makeFrame(shu);
    shuuryou = makeButton(*ShuPanel, shu);
    // Visible itself, inside its hidden frame.
    shuuryou->setVisible(true);
    shuuryou->OnClick = [this] { shuuryouClick(); };
    shuuryou->OnMouseDown = [this](TPanel *s, TMouseButton b, int x, int y) {
        shuuryouMouseDown(s, b, x, y);
    };
    shuuryou->OnMouseUp = [this](TPanel *s, TMouseButton b, int x, int y) {
        shuuryouMouseUp(s, b, x, y);
    };

    Timer1 = std::make_unique<TTimer>(m_window, kTimer1Id);
    Timer1->OnTimer = [this] { Timer1Timer(); };
}

void TMainForm::createMenu()
{
    // ActAbout1, the separator N1, ActHanntei1; the menu is no control's context menu.
    PopupMenu1 = CreatePopupMenu();
    AppendMenuW(PopupMenu1, MF_STRING, kCommandAbout, widen(kAboutActionCaption).c_str());
    AppendMenuW(PopupMenu1, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(PopupMenu1, MF_STRING, kCommandHanntei, widen(kScoreTableCaption).c_str());
}

LRESULT CALLBACK TMainForm::procedure(HWND window, UINT message, WPARAM wp, LPARAM lp)
{
    if (message == WM_NCCREATE) {
        auto *create = reinterpret_cast<CREATESTRUCTW *>(lp);
        auto *self = static_cast<TMainForm *>(create->lpCreateParams);
        self->m_window = window; // before CreateWindowExW returns it
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto *form = reinterpret_cast<TMainForm *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form)
        return DefWindowProcW(window, message, wp, lp);
    return form->handle(message, wp, lp);
}

LRESULT TMainForm::handle(UINT message, WPARAM wp, LPARAM lp)
{
    switch (message) {
    case WM_NCHITTEST: {
        // The whole body acts as a title bar: a press anywhere on it moves the window.
        const LRESULT hit = DefWindowProcW(m_window, message, wp, lp);
        return hit == HTCLIENT ? HTCAPTION : hit;
    }
    case WM_NCLBUTTONDBLCLK: // a title bar's double click would maximise the window
    case WM_NCRBUTTONDOWN:   // and a right click open the system menu
    case WM_NCRBUTTONUP:
    case WM_CONTEXTMENU:
        return 0;
    case WM_PAINT:
        onPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // the field is opaque and covers the client area
    case WM_TIMER:
        if (wp == kTimer1Id && Timer1->OnTimer)
            guarded(Timer1->OnTimer);
        return 0;
    case WM_CLOSE:
        // Nothing refuses; the main window's end is the program's.
        DestroyWindow(m_window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        m_window = nullptr;
        break;
    }
    return DefWindowProcW(m_window, message, wp, lp);
}

void TMainForm::invalidate()
{
    // Every drawing operation marks the window; the marks gather into one repaint.
    if (!m_invalidated && m_window) {
        InvalidateRect(m_window, nullptr, FALSE);
        m_invalidated = true;
    }
}

void TMainForm::fieldChanged(void *form)
{
    auto *self = static_cast<TMainForm *>(form);
    self->m_framePending = true;
    self->invalidate();
}

void TMainForm::onPaint()
{
    PAINTSTRUCT ps;
    BeginPaint(m_window, &ps);
    m_invalidated = false;
    // Every frame clears the whole field first, so the labels are composed into the
    // frame's own pixels, once, and go to the screen with it in one put.
    if (!m_labelsDrawn) {
        for (TLabel *label : {Label1.get(), Label3.get()})
            label->composeInto(m_presenter->pixels(), FieldBitmap::kWidth, FieldBitmap::kHeight);
        m_labelsDrawn = true;
    }
    if (m_framePending) {
        m_framePending = false;
        m_presenter->present(kHeight);
    } else {
        m_presenter->represent(kHeight);
    }
    EndPaint(m_window, &ps);
}

void TMainForm::FormCreate()
{
    m_run.start();
}

void TMainForm::AppOnIdle(TApplication *, bool &)
{
    m_run.idle();
}

void TMainForm::DrawFrame()
{
    m_run.drawFrame();
}

void TMainForm::applyWindowShape()
{
    RECT r;
    GetWindowRect(m_window, &r);
    // The region then belongs to the window system.
    SetWindowRgn(m_window, CreateEllipticRgn(0, 0, r.right - r.left + 1, r.bottom - r.top + 1),
                 TRUE);
}

void TMainForm::showField(std::unique_ptr<FieldBitmap> field)
{
    field->useStore(m_presenter->pixels(), FieldBitmap::StoreContent::KeepPixels);
    field->setChangeHandler(fieldChanged, this);
    m_field = std::move(field); // the previous one is released
    m_labelsDrawn = false;
    fieldChanged(this);
}

FieldBitmap &TMainForm::frameField()
{
    m_labelsDrawn = false;
    return *m_field;
}

void TMainForm::installIdleHook()
{
    Application->setOnIdle([this](TApplication *sender, bool &done) { AppOnIdle(sender, done); });
}

void TMainForm::beep()
{
    MessageBeep(0);
}

void TMainForm::startBlinkTimer()
{
    Timer1->setEnabled(true);
}

void TMainForm::revealButtons()
{
    for (TPanel *control : {saikeisoku.get(), shuuryou.get(), SaiPanel.get(), ShuPanel.get()})
        control->setEllipticRegion();
    for (TPanel *control : {saikeisoku.get(), shuuryou.get(), SaiPanel.get(), ShuPanel.get()})
        control->setVisible(true);
}

void TMainForm::ShowCentred()
{
    const int left = firstShowOrigin(GetSystemMetrics(SM_CXSCREEN), kWidth);
    const int top = firstShowOrigin(GetSystemMetrics(SM_CYSCREEN), kHeight);
    SetWindowPos(m_window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(m_window, SW_SHOW);
    UpdateWindow(m_window);
}

void TMainForm::ShowButtonColors(bool highlight)
{
    const LabelColours label1{Label1->Color(), Label1->FontColor()};
    const LabelColours label3{Label3->Color(), Label3->FontColor()};
    const ButtonColours sai = buttonColours(FinishButton::saikeisoku, highlight, label1, label3);
    const ButtonColours shu = buttonColours(FinishButton::shuuryou, highlight, label1, label3);
    saikeisoku->setColor(sai.face);
    saikeisoku->setFontColor(sai.text);
    shuuryou->setColor(shu.face);
    shuuryou->setFontColor(shu.text);
}

void TMainForm::Timer1Timer()
{
    Timer1->setInterval(kBlinkIntervalMs);
    ButtonBlink = !ButtonBlink;
    ShowButtonColors(ButtonBlink);
}

void TMainForm::saikeisokuClick()
{
    FormCreate();
    saikeisoku->setVisible(false);
    shuuryou->setVisible(false);
    SaiPanel->setVisible(false);
    ShuPanel->setVisible(false);
    Label1->setVisible(false);
    Label3->setVisible(false);
    Timer1->setEnabled(false);
}

void TMainForm::shuuryouClick()
{
    // Closed from the loop, once the press that asked for it has been handled: the button
    // is not destroyed inside its own handler.
    PostMessageW(m_window, WM_CLOSE, 0, 0);
}

void TMainForm::pressButton(FinishButton which, TPanel &button, TMouseButton Button, int X, int Y)
{
    // Sunk to a fixed depth below its place at rest rather than by a step from wherever
    // it stands, so no press or release that went astray can leave it displaced.
    if (Button == TMouseButton::Left) {
        button.setLeft(kPressDepth);
        button.setTop(kPressDepth);
    }
    if (Button == TMouseButton::Right) {
        RECT r;
        GetWindowRect(m_window, &r);
        const ScreenPoint at = menuPoint(which, r.left, r.top, X, Y);
        // The menu runs a loop of its own, and goes away when the window loses the
        // foreground only if the window has it.
        SetForegroundWindow(m_window);
        const UINT command = static_cast<UINT>(TrackPopupMenu(
            PopupMenu1,
            TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x,
            at.y, 0, m_window, nullptr));
        if (command == kCommandAbout)
            ActAboutExecute();
        else if (command == kCommandHanntei)
            ActHannteiExecute();
    }
}

void TMainForm::releaseButton(TPanel &button, TMouseButton Button)
{
    if (Button == TMouseButton::Left) {
        button.setLeft(0);
        button.setTop(0);
    }
}

void TMainForm::saikeisokuMouseDown(TPanel *, TMouseButton Button, int X, int Y)
{
    pressButton(FinishButton::saikeisoku, *saikeisoku, Button, X, Y);
}

void TMainForm::saikeisokuMouseUp(TPanel *, TMouseButton Button, int, int)
{
    releaseButton(*saikeisoku, Button);
}

void TMainForm::shuuryouMouseDown(TPanel *, TMouseButton Button, int X, int Y)
{
    pressButton(FinishButton::shuuryou, *shuuryou, Button, X, Y);
}

void TMainForm::shuuryouMouseUp(TPanel *, TMouseButton Button, int, int)
{
    releaseButton(*shuuryou, Button);
}

void TMainForm::ActAboutExecute()
{
    const std::wstring other = widen(kAboutFirstLine) + L"\r\n" + widen(kAboutCredit);
    ShellAboutW(m_window, widen(kApplicationTitle).c_str(), other.c_str(), m_icon);
}

void TMainForm::ActHannteiExecute()
{
    if (m_showScoreTable)
        m_showScoreTable();
}
