// The program's four Japanese faces, asked for by the names the layout uses and mapped
// to installed faces of the same kind (fontconfig knows none of the names).
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

inline const QString kFacePGothic = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kFaceGothic = QStringLiteral("ＭＳ ゴシック");
inline const QString kFaceMincho = QStringLiteral("ＭＳ 明朝");
inline const QString kFaceRounded = QStringLiteral("HG丸ｺﾞｼｯｸM-PRO");

enum class FacePitch { Proportional, Fixed, Either };

struct FaceSubstitution
{
    QString face;
    QStringList candidates; // nearest first
    // For a machine with none of the candidates: words naming the face's kind in a family
    // name, nearest first, and the pitch it should have.
    QStringList kindWords;
    FacePitch pitch;
};

// Proportional gothic, fixed-pitch gothic, fixed-pitch mincho, rounded gothic.
const std::array<FaceSubstitution, 4> &faceSubstitutions();

// The family of japaneseFamilies nearest to the substitution's face: first by the earliest
// kind word in its name, then by pitch, then by name; empty if there is none.
QString nearestJapaneseFamily(const FaceSubstitution &substitution,
                              const QStringList &japaneseFamilies,
                              const std::function<bool(const QString &)> &fixedPitch);

// Registers the substitutions with Qt; call once before any window is built. Where none
// of a face's candidates is installed, the nearest installed family with Japanese glyphs
// stands in for it.
void installFontSubstitutions();

// A font by face and character height in pixels (the em height, no internal leading).
enum class FontStyle { Regular, Bold, Italic, BoldItalic };
QFont makeFont(const QString &face, int pixelHeight, FontStyle style = FontStyle::Regular);

// Character height in pixels for a size in points at the fixed 96 pixels per inch.
constexpr int pointsToPixels(int points)
{
    return (points * 96 + 36) / 72;
}
