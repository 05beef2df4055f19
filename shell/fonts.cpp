#include "fonts.h"

const std::array<FaceSubstitution, 4> &faceSubstitutions()
{
    static const std::array<FaceSubstitution, 4> table{{
        {kFacePGothic, {"IPAPGothic", "IPAexGothic", "VL PGothic", "Noto Sans CJK JP"}},
        {kFaceGothic, {"IPAGothic", "VL Gothic", "Noto Sans Mono CJK JP"}},
        {kFaceMincho, {"IPAMincho", "IPAexMincho", "Noto Serif CJK JP"}},
        {kFaceRounded, {"MotoyaLMaru", "M+ 1c", "IPAPGothic"}},
    }};
    return table;
}

void installFontSubstitutions()
{
    for (const FaceSubstitution &s : faceSubstitutions())
        QFont::insertSubstitutions(s.face, s.candidates);
}

QFont makeFont(const QString &face, int pixelHeight, bool bold, bool italic)
{
    QFont font(face);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    font.setItalic(italic);
    font.setStyleStrategy(QFont::PreferMatch);
    return font;
}
