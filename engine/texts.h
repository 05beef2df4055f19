// The program's fixed window, button and menu texts, as UTF-8. Every one of them must
// survive conversion to Shift-JIS (code page 932), the program's text encoding.
#pragma once

#include <string_view>

// The task bar entry, the caption of error boxes and the name in the about box.
inline constexpr std::string_view kApplicationTitle = "Plovex";
// Never displayed (the main window has no title bar); ends in an ideographic space.
inline constexpr std::string_view kMainWindowCaption = " Plovex     Vendrake\u3000";
inline constexpr std::string_view kRemeasureCaption = "再計測";
inline constexpr std::string_view kQuitCaption = "終\u3000了";
inline constexpr std::string_view kAboutActionCaption = "バージョン情報";
// Both the menu action and the score table window's caption.
inline constexpr std::string_view kScoreTableCaption = "成績表";
inline constexpr std::string_view kAboutFirstLine = "Plovex\u3000バージョン 4.3";
inline constexpr std::string_view kOkCaption = "O   K";
