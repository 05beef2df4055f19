// Colours as the program stores them: 0x00RRGGBB, or a desktop theme colour
// (flag bit 31 set) that the window layer resolves when it paints.
#pragma once

#include <cstdint>

using TColor = std::uint32_t;

constexpr TColor kSystemColourFlag = 0x80000000u;

constexpr bool isSystemColour(TColor c)
{
    return (c & kSystemColourFlag) != 0;
}

// The sixteen standard colours, as the sprite sheets' colour table orders them.
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x800000;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x808000;
constexpr TColor clNavy = 0x000080;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x008080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clGray = 0x808080;
constexpr TColor clRed = 0xFF0000;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0xFFFF00;
constexpr TColor clBlue = 0x0000FF;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0x00FFFF;
constexpr TColor clWhite = 0xFFFFFF;

// Theme colours; the numbers only tell them apart.
constexpr TColor clActiveBorder = kSystemColourFlag | 10;
constexpr TColor clWindowText = kSystemColourFlag | 8;
constexpr TColor clBtnFace = kSystemColourFlag | 15;
constexpr TColor clBtnShadow = kSystemColourFlag | 16;
constexpr TColor clBtnHighlight = kSystemColourFlag | 20;
constexpr TColor clInfoBk = kSystemColourFlag | 24;

// A pixel of FieldBitmap and of the sheets: opaque 0xFFRRGGBB, so that AND and OR
// leave the alpha byte alone.
constexpr std::uint32_t toPixel(TColor c)
{
    return 0xFF000000u | (c & 0x00FFFFFFu);
}
