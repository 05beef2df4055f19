#include "scoreform.h"

#include "application.h"
#include "faces.h"
#include "finishcontrols.h"
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
    WNDCLASSW wc{};
    wc.lpszClassName = kScoreFormClass;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), kIconResource);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    Window::registerClass(wc);
}

TScoreForm::TScoreForm() : m_font(createFont(kScoreTableFont))
{
    ScoreForm = this;
    registerClass();
    RECT outer{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&outer, kStyle, FALSE, 0);
    createWindow(0, kScoreFormClass, widen(kScoreTableCaption).c_str(), kStyle,
                 kScoreTableDesignLeft, kScoreTableDesignTop, outer.right - outer.left,
                 outer.bottom - outer.top, nullptr);

    for (std::size_t i = 0; i < Labels.size(); ++i) {
        auto label = std::make_unique<TLabel>([this] { InvalidateRect(handle(), nullptr, FALSE); });
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
        kScoreTableOkButton.top, kScoreTableOkButton.width, kScoreTableOkButton.height, handle(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), GetModuleHandleW(nullptr), nullptr);
    // The button draws with the font and does not own it.
    SetWindowFont(Button1, m_buttonFont.get(), FALSE);

    Timer1 = std::make_unique<TTimer>(handle(), kTimer1Id);
    Timer1->OnTimer = [this] { Timer1Timer(); };

    guarded([this] { FormCreate(); });
}

TScoreForm::~TScoreForm()
{
    // The window and its button go before the fonts they use.
    destroyWindow();
    if (ScoreForm == this)
        ScoreForm = nullptr;
}

LRESULT TScoreForm::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
        HANDLE_MSG(hwnd, WM_PAINT, OnPaint);
        HANDLE_MSG(hwnd, WM_GETFONT, OnGetFont);
        HANDLE_MSG(hwnd, WM_TIMER, OnTimer);
        HANDLE_MSG(hwnd, WM_COMMAND, OnCommand);
        HANDLE_MSG(hwnd, WM_CLOSE, OnClose);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void TScoreForm::OnPaint(HWND hwnd)
{
    const PaintDC paint(hwnd);
    const HDC dc = paint.get();
    FillRect(dc, &paint.area(), GetSysColorBrush(COLOR_BTNFACE));
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
}

HFONT TScoreForm::OnGetFont(HWND)
{
    return m_font.get();
}

void TScoreForm::OnTimer(HWND, UINT id)
{
    if (id == kTimer1Id && Timer1->OnTimer)
        guarded(Timer1->OnTimer);
}

void TScoreForm::OnCommand(HWND, int id, HWND, UINT notification)
{
    if (id == IDOK && notification == BN_CLICKED)
        guarded([this] { Button1Click(); });
}

void TScoreForm::OnClose(HWND hwnd)
{
    // Not the main window: closing only hides it, and its timer keeps running.
    ShowWindow(hwnd, SW_HIDE);
}

RECT TScoreForm::shapeRect(std::size_t row) const
{
    const int top = ScoreTableRows[row].shapeTop;
    return {kScoreShapeLeft, top, kScoreShapeLeft + kScoreShapeWidth, top + kScoreShapeHeight};
}

void TScoreForm::applyRow(std::size_t row)
{
    const TColor shape = m_looks.rows()[row].shape;
    if (m_shapeColours[row] != shape) {
        m_shapeColours[row] = shape;
        const RECT r = shapeRect(row);
        InvalidateRect(handle(), &r, FALSE);
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
    GetWindowRect(handle(), &outer);
    const int left =
        centredOrigin(GetSystemMetrics(SM_CXSCREEN), static_cast<int>(outer.right - outer.left));
    const int top =
        centredOrigin(GetSystemMetrics(SM_CYSCREEN), static_cast<int>(outer.bottom - outer.top));
    SetWindowPos(handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TScoreForm::Show()
{
    if (!IsWindowVisible(handle()))
        FormShow();
    // Shown, or open but covered by another window: to the front, and active.
    SetWindowPos(handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(handle());
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
    ShowWindow(handle(), SW_HIDE);
}
