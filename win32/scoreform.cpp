#include "scoreform.h"

#include "application.h"
#include "faces.h"
#include "fonts.h"
#include "guard.h"
#include "layout.h"
#include "runstate.h"
#include "texts.h"

TScoreForm *ScoreForm = nullptr;

namespace {

constexpr wchar_t kScoreFormClass[] = L"TScoreForm";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU; // single border, close box

} // namespace

void TScoreForm::registerClass()
{
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kScoreFormClass;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = LoadIconW(wc.hInstance, kIconResource);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        RegisterClassW(&wc);
        return true;
    }();
    (void)registered;
}

TScoreForm::TScoreForm()
{
    ScoreForm = this;
    registerClass();
    RECT outer{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&outer, kStyle, FALSE, 0);
    m_window = CreateWindowExW(0, kScoreFormClass, widen(kScoreTableCaption).c_str(), kStyle,
                               kScoreTableDesignLeft, kScoreTableDesignTop,
                               outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                               GetModuleHandleW(nullptr), this);
    if (!m_window)
        throw std::runtime_error("cannot create the score table window");
    SendMessageW(m_window, WM_SETFONT,
                 reinterpret_cast<WPARAM>(createFont(kScoreTableFont).release()), FALSE);

    for (std::size_t i = 0; i < Labels.size(); ++i) {
        auto label = std::make_unique<TLabel>([this] { InvalidateRect(m_window, nullptr, FALSE); });
        label->setLeft(kScoreLabelLeft);
        label->setTop(ScoreTableRows[i].labelTop);
        label->setColor(clBtnFace); // painted on the window's colour
        label->setLabelFont(kScoreLabelFont);
        Labels[i] = std::move(label);
        applyRow(i);
    }

    m_buttonFont = createFont(kOkButtonFont);
    Button1 = CreateWindowExW(
        0, L"BUTTON", widen(kOkCaption).c_str(),
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, kScoreTableOkButton.left,
        kScoreTableOkButton.top, kScoreTableOkButton.width, kScoreTableOkButton.height, m_window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(Button1, WM_SETFONT, reinterpret_cast<WPARAM>(m_buttonFont.get()), FALSE);

    Timer1 = std::make_unique<TTimer>(m_window, kTimer1Id);
    Timer1->OnTimer = [this] { Timer1Timer(); };

    guarded([this] { FormCreate(); });
}

TScoreForm::~TScoreForm()
{
    Timer1.reset();
    if (m_window) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
    if (ScoreForm == this)
        ScoreForm = nullptr;
}

LRESULT CALLBACK TScoreForm::procedure(HWND window, UINT message, WPARAM wp, LPARAM lp)
{
    if (message == WM_NCCREATE) {
        auto *create = reinterpret_cast<CREATESTRUCTW *>(lp);
        auto *self = static_cast<TScoreForm *>(create->lpCreateParams);
        self->m_window = window; // before CreateWindowExW returns it
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto *form = reinterpret_cast<TScoreForm *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form)
        return DefWindowProcW(window, message, wp, lp);
    return form->handle(message, wp, lp);
}

LRESULT TScoreForm::handle(UINT message, WPARAM wp, LPARAM lp)
{
    switch (message) {
    case WM_PAINT:
        onPaint();
        return 0;
    case WM_TIMER:
        if (wp == kTimer1Id && Timer1->OnTimer)
            guarded(Timer1->OnTimer);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK && HIWORD(wp) == BN_CLICKED)
            guarded([this] { Button1Click(); });
        return 0;
    case WM_CLOSE:
        // Not the main window: closing only hides it, and its timer keeps running.
        ShowWindow(m_window, SW_HIDE);
        return 0;
    case WM_NCDESTROY:
        m_window = nullptr;
        break;
    }
    return DefWindowProcW(m_window, message, wp, lp);
}

RECT TScoreForm::shapeRect(std::size_t row) const
{
    const int top = ScoreTableRows[row].shapeTop;
    return {kScoreShapeLeft, top, kScoreShapeLeft + kScoreShapeWidth, top + kScoreShapeHeight};
}

void TScoreForm::onPaint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_window, &ps);
    FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
    // Ellipses filled with their colour and outlined with a one-pixel black pen.
    const Selected pen(dc, GetStockObject(BLACK_PEN));
    const Selected brush(dc, GetStockObject(DC_BRUSH));
    for (std::size_t i = 0; i < kScoreTableRowCount; ++i) {
        const RECT r = shapeRect(i);
        SetDCBrushColor(dc, toColorRef(m_shapeColours[i]));
        Ellipse(dc, r.left, r.top, r.right, r.bottom);
    }
    for (const auto &label : Labels)
        label->draw(dc);
    EndPaint(m_window, &ps);
}

void TScoreForm::applyRow(std::size_t row)
{
    const TColor shape = m_looks.rows()[row].shape;
    if (m_shapeColours[row] != shape) {
        m_shapeColours[row] = shape;
        const RECT r = shapeRect(row);
        InvalidateRect(m_window, &r, FALSE);
    }
    applyLabel(row);
}

void TScoreForm::applyLabel(std::size_t row)
{
    const ScoreRowLook &look = m_looks.rows()[row];
    Labels[row]->setCaption(look.caption);
    Labels[row]->setFontColor(look.labelFont);
}

void TScoreForm::FormCreate()
{
    // By the outer size, caption bar and borders included; negative halves truncate.
    RECT outer;
    GetWindowRect(m_window, &outer);
    const int left =
        centredOrigin(GetSystemMetrics(SM_CXSCREEN), static_cast<int>(outer.right - outer.left));
    const int top =
        centredOrigin(GetSystemMetrics(SM_CYSCREEN), static_cast<int>(outer.bottom - outer.top));
    SetWindowPos(m_window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TScoreForm::Show()
{
    if (!IsWindowVisible(m_window))
        FormShow();
    ShowWindow(m_window, SW_SHOW);
    SetForegroundWindow(m_window);
}

void TScoreForm::FormShow()
{
    m_looks.formShow();
    // The shapes keep what they had.
    for (std::size_t i = 0; i < kScoreTableRowCount; ++i)
        applyLabel(i);
    // Already running (the window was closed with its close box): not restarted.
    Timer1->setEnabled(true);
}

void TScoreForm::Timer1Timer()
{
    Timer1->setInterval(kBlinkIntervalMs);
    applyRow(m_looks.timerTick(Score));
}

void TScoreForm::Button1Click()
{
    Timer1->setEnabled(false);
    ShowWindow(m_window, SW_HIDE);
}
