#include "winapi.h"

#include <array>

std::wstring widen(std::string_view text)
{
    if (text.empty())
        return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string narrow(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

namespace {

struct ThemeColour
{
    TColor colour;
    int index; // for GetSysColor
};

constexpr auto ThemeColours = std::to_array<ThemeColour>({
    {clActiveBorder, COLOR_ACTIVEBORDER},
    {clWindowText, COLOR_WINDOWTEXT},
    {clBtnFace, COLOR_BTNFACE},
    {clBtnShadow, COLOR_BTNSHADOW},
    {clBtnHighlight, COLOR_BTNHIGHLIGHT},
    {clInfoBk, COLOR_INFOBK},
});

} // namespace

COLORREF toColorRef(TColor colour)
{
    if (isSystemColour(colour)) {
        for (const ThemeColour &theme : ThemeColours)
            if (theme.colour == colour)
                return GetSysColor(theme.index);
        return GetSysColor(COLOR_WINDOW);
    }
    return RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
}
