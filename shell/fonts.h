// The program's four Japanese faces, asked for by the names the layout uses and mapped
// to installed faces of the same kind (fontconfig knows none of the names).
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

#include <array>

inline const QString kFacePGothic = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kFaceGothic = QStringLiteral("ＭＳ ゴシック");
inline const QString kFaceMincho = QStringLiteral("ＭＳ 明朝");
inline const QString kFaceRounded = QStringLiteral("HG丸ｺﾞｼｯｸM-PRO");

struct FaceSubstitution
{
    QString face;
    QStringList candidates; // nearest first
};

// Proportional gothic, fixed-pitch gothic, fixed-pitch mincho, rounded gothic.
const std::array<FaceSubstitution, 4> &faceSubstitutions();

// Registers the substitutions with Qt; call once before any window is built.
void installFontSubstitutions();

// A font by face and character height in pixels (the em height, no internal leading).
QFont makeFont(const QString &face, int pixelHeight, bool bold = false, bool italic = false);

// Character height in pixels for a size in points at the fixed 96 pixels per inch.
constexpr int pointsToPixels(int points)
{
    return (points * 96 + 36) / 72;
}
