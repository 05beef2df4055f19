#include "mainform.h"

#include "application.h"
#include "guard.h"
#include "presentreport.h"
#include "runstate.h"
#include "spritesheet.h"
#include "texts.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

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
    WNDCLASSW wc{};
    // A device context of its own, so that putting a frame looks none up.
    wc.style = CS_OWNDC;
    wc.lpszClassName = kMainFormClass;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(instance(), kIconResource);
    // No background brush: the field covers the whole client area.
    Window::registerClass(wc);
}

TMainForm::TMainForm() : MainFormRules(builtInSheets()), m_caption(kMainWindowCaption)
{
    MainForm = this;
    registerClass();
    m_icon = LoadIconW(instance(), kIconResource);
    // The desktop's task bar shows the window's text: the program is listed under the
    // application's title. The caption stays the window's own; with no title bar it is
    // never displayed.
    createWindow(WS_EX_APPWINDOW, kMainFormClass, Application->Title().c_str(),
                 WS_POPUP | WS_CLIPCHILDREN, kDesignLeft, kDesignTop, kWidth, kHeight, nullptr);
    Application->setMainWindow(handle());
    m_presenter =
        std::make_unique<GdiPresenter>(handle(), FieldBitmap::kWidth, FieldBitmap::kHeight);
    createLabels();
    createButtons();
    createMenu();
    guarded([this] { FormCreate(); });
}

TMainForm::~TMainForm()
{
    // The window and its controls' windows go before what they show.
    destroyWindow();
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
            std::make_unique<TPanel>(handle(), place.left, place.top, place.width, place.height);
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
    const FinishButtonStyle &shu = styleOf(FinishButton::shuuryou);
    ShuPanel = makeFrame(shu);
    shuuryou = makeButton(*ShuPanel, shu);
    // Visible itself, inside its hidden frame.
    shuuryou->setVisible(true);
    Timer1 = std::make_unique<TTimer>(handle(), kTimer1Id);
    finishControls().wire(*saikeisoku, *shuuryou, *Timer1);
}

void TMainForm::createMenu()
{
    // ActAbout1, the separator N1, ActHanntei1; the menu is no control's context menu.
    PopupMenu1.reset(CreatePopupMenu());
    AppendMenuW(PopupMenu1.get(), MF_STRING, kCommandAbout, widen(kAboutActionCaption).c_str());
    AppendMenuW(PopupMenu1.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(PopupMenu1.get(), MF_STRING, kCommandHanntei, widen(kScoreTableCaption).c_str());
}

LRESULT TMainForm::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
        HANDLE_MSG(hwnd, WM_NCHITTEST, OnNCHitTest);
    case WM_NCLBUTTONDBLCLK: // a title bar's double click would maximise the window
    case WM_NCRBUTTONDOWN:   // and a right click open the system menu
    case WM_NCRBUTTONUP:
    case WM_CONTEXTMENU:
        return 0;
        HANDLE_MSG(hwnd, WM_PAINT, OnPaint);
        HANDLE_MSG(hwnd, WM_ERASEBKGND, OnEraseBkgnd);
        HANDLE_MSG(hwnd, WM_TIMER, OnTimer);
        HANDLE_MSG(hwnd, WM_CLOSE, OnClose);
        HANDLE_MSG(hwnd, WM_DESTROY, OnDestroy);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

UINT TMainForm::OnNCHitTest(HWND hwnd, int x, int y)
{
    // The whole body acts as a title bar: a press anywhere on it moves the window.
    const UINT hit = FORWARD_WM_NCHITTEST(hwnd, x, y, DefWindowProcW);
    return hit == HTCLIENT ? HTCAPTION : hit;
}

void TMainForm::OnPaint(HWND hwnd)
{
    const PaintDC paint(hwnd);
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
}

BOOL TMainForm::OnEraseBkgnd(HWND, HDC)
{
    return TRUE; // the field is opaque and covers the client area
}

void TMainForm::OnTimer(HWND, UINT id)
{
    if (id == kTimer1Id && Timer1->OnTimer)
        guarded(Timer1->OnTimer);
}

void TMainForm::OnClose(HWND hwnd)
{
    // Nothing refuses; the main window's end is the program's.
    DestroyWindow(hwnd);
}

void TMainForm::OnDestroy(HWND)
{
    PostQuitMessage(0);
}

void TMainForm::invalidate()
{
    // Every drawing operation marks the window; the marks gather into one repaint.
    if (!m_invalidated && handle()) {
        InvalidateRect(handle(), nullptr, FALSE);
        m_invalidated = true;
    }
}

void TMainForm::fieldChanged(void *form)
{
    auto *self = static_cast<TMainForm *>(form);
    self->m_framePending = true;
    self->invalidate();
}

void TMainForm::applyWindowShape()
{
    RECT r;
    GetWindowRect(handle(), &r);
    setWindowRegion(handle(), GdiObject<HRGN>(CreateEllipticRgn(0, 0, r.right - r.left + 1,
                                                                r.bottom - r.top + 1)));
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

void TMainForm::runFinished()
{
    // For whoever compares runs, what the X11 program leaves on its window: which way the
    // frames reached the screen and which clear the run took. A desktop program has no
    // console; the line goes to the standard error it was started with, if any.
    const PresentReport report =
        PresentReport::of(std::uint64_t(std::max(FrameCount, 0)), *m_presenter);
    std::fprintf(stderr, "%.*s %s\n", int(kPresentProperty.size()), kPresentProperty.data(),
                 report.format().c_str());
    std::fflush(stderr);
}

TPanel &TMainForm::panel(MainControl which) const
{
    switch (which) {
    case MainControl::SaiPanel:
        return *SaiPanel;
    case MainControl::saikeisoku:
        return *saikeisoku;
    case MainControl::ShuPanel:
        return *ShuPanel;
    case MainControl::shuuryou:
        return *shuuryou;
    default:
        throw std::logic_error("neither a button nor a frame");
    }
}

LabelColours TMainForm::labelColours(MainControl label) const
{
    const TLabel &shown = label == MainControl::Label1 ? *Label1 : *Label3;
    return {shown.Color(), shown.FontColor()};
}

void TMainForm::setButtonColours(FinishButton button, ButtonColours colours)
{
    TPanel &shown = panel(styleOf(button).control);
    shown.setColor(colours.face);
    shown.setFontColor(colours.text);
}

void TMainForm::placeButton(FinishButton button, int left, int top)
{
    TPanel &moved = panel(styleOf(button).control);
    moved.setLeft(left);
    moved.setTop(top);
}

void TMainForm::cutToEllipse(MainControl control)
{
    panel(control).setEllipticRegion();
}

void TMainForm::setControlVisible(MainControl control, bool visible)
{
    if (control == MainControl::Label1 || control == MainControl::Label3)
        (control == MainControl::Label1 ? *Label1 : *Label3).setVisible(visible);
    else
        panel(control).setVisible(visible);
}

void TMainForm::setBlinkTimer(bool enabled)
{
    Timer1->setEnabled(enabled);
}

void TMainForm::setBlinkInterval(int ms)
{
    Timer1->setInterval(ms);
}

ScreenPoint TMainForm::windowOrigin() const
{
    RECT r;
    GetWindowRect(handle(), &r);
    return {r.left, r.top};
}

void TMainForm::popupMenu(ScreenPoint at)
{
    // The menu runs a loop of its own, and goes away when the window loses the foreground
    // only if the window has it.
    SetForegroundWindow(handle());
    const auto command = static_cast<UINT>(TrackPopupMenu(
        PopupMenu1.get(),
        TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y,
        0, handle(), nullptr));
    if (command == kCommandAbout)
        ActAboutExecute();
    else if (command == kCommandHanntei)
        ActHannteiExecute();
}

void TMainForm::closeMainWindow()
{
    // Closed from the loop, once the press that asked for it has been handled: the button
    // is not destroyed inside its own handler.
    PostMessageW(handle(), WM_CLOSE, 0, 0);
}

void TMainForm::ShowCentred()
{
    const int left = firstShowOrigin(GetSystemMetrics(SM_CXSCREEN), kWidth);
    const int top = firstShowOrigin(GetSystemMetrics(SM_CYSCREEN), kHeight);
    SetWindowPos(handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(handle(), SW_SHOW);
    UpdateWindow(handle());
}

void TMainForm::ActAboutExecute()
{
    const std::wstring other = widen(kAboutFirstLine) + L"\r\n" + widen(kAboutCredit);
    ShellAboutW(handle(), widen(kApplicationTitle).c_str(), other.c_str(), m_icon);
}

void TMainForm::ActHannteiExecute()
{
    if (m_showScoreTable)
        m_showScoreTable();
}
