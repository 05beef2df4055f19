// The program's four Japanese faces, by the names the layout uses, and how a front end
// finds an installed face of the same kind when a named one is missing: known stand-ins
// first, then the nearest family with Japanese glyphs by the words its name holds.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kFacePGothic = "ＭＳ Ｐゴシック";
inline constexpr std::string_view kFaceGothic = "ＭＳ ゴシック";
inline constexpr std::string_view kFaceMincho = "ＭＳ 明朝";
inline constexpr std::string_view kFaceRounded = "HG丸ｺﾞｼｯｸM-PRO";

enum class FacePitch { Proportional, Fixed, Either };

constexpr int kMaxStandIns = 4;
constexpr int kMaxKindWords = 5;

struct FaceSubstitution
{
    std::string_view face;
    std::array<std::string_view, kMaxStandIns> standIns; // nearest first; unused ones empty
    // For a machine with none of the stand-ins: words naming the face's kind in a family
    // name, nearest first, and the pitch it should have.
    std::array<std::string_view, kMaxKindWords> kindWords;
    FacePitch pitch;
};

// Proportional gothic, fixed-pitch gothic, fixed-pitch mincho, rounded gothic.
inline constexpr auto FaceSubstitutions = std::to_array<FaceSubstitution>({
    {kFacePGothic,
     {"IPAPGothic", "IPAexGothic", "VL PGothic", "Noto Sans CJK JP"},
     {"Gothic", "Sans", "ゴシック"},
     FacePitch::Proportional},
    {kFaceGothic,
     {"IPAGothic", "VL Gothic", "Noto Sans Mono CJK JP"},
     {"Gothic", "Sans", "ゴシック"},
     FacePitch::Fixed},
    {kFaceMincho,
     {"IPAMincho", "IPAexMincho", "Noto Serif CJK JP"},
     {"Mincho", "Serif", "明朝"},
     FacePitch::Fixed},
    {kFaceRounded,
     {"MotoyaLMaru", "M+ 1c", "IPAPGothic"},
     {"Maru", "Rounded", "丸", "Gothic", "Sans"},
     FacePitch::Either},
});

const FaceSubstitution *substitutionFor(std::string_view face);

// The family to draw `face` with, among `installed` families that have Japanese glyphs:
// the face itself, else its first installed stand-in, else the family nearest to it (by
// the earliest kind word in its name, ASCII letters compared without case, then by pitch,
// then by name); empty if there is none.
std::string chooseFamily(std::string_view face, const std::vector<std::string> &installed,
                         const std::function<bool(const std::string &)> &fixedPitch);

// A control's font: face, character height in pixels (the em height without internal
// leading), weight and slant.
struct FontSpec
{
    std::string_view face;
    int pixelHeight;
    bool bold = false;
    bool italic = false;
};

inline constexpr FontSpec kMainWindowFont{kFacePGothic, 15};
inline constexpr FontSpec kLabel1Font{kFaceMincho, 19, true, true};
inline constexpr FontSpec kLabel3Font{kFaceGothic, 16, true, true};
inline constexpr FontSpec kButtonFont{kFaceRounded, 19, true, false};
inline constexpr FontSpec kScoreTableFont{kFacePGothic, 12};
inline constexpr FontSpec kScoreLabelFont{kFacePGothic, 15, true, false};
inline constexpr FontSpec kOkButtonFont{kFacePGothic, 16, true, false};

// Character height in pixels for a size in points at the fixed 96 pixels per inch.
constexpr int pointsToPixels(int points)
{
    return (points * 96 + 36) / 72;
}
static_assert(pointsToPixels(22) == 29 && pointsToPixels(14) == 19);
