#include "fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>

#include <algorithm>

namespace {

// Dual-width Japanese faces are not fixed pitch to Qt; what matters here is whether the
// half-width letters all advance alike.
bool halfWidthLettersAlike(const QString &family)
{
    const QFontMetrics metrics(QFont(family, 16));
    return metrics.horizontalAdvance(u'i') == metrics.horizontalAdvance(u'W');
}

} // namespace

const std::array<FaceSubstitution, 4> &faceSubstitutions()
{
    static const std::array<FaceSubstitution, 4> table{{
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
    }};
    return table;
}

QString nearestJapaneseFamily(const FaceSubstitution &substitution,
                              const QStringList &japaneseFamilies,
                              const std::function<bool(const QString &)> &fixedPitch)
{
    // Ranked by the first kind word the name holds, then by pitch, then by name, so that
    // the choice does not depend on the order fontconfig lists the faces in.
    const auto rank = [&](const QString &family) {
        const auto &words = substitution.kindWords;
        const auto word = std::ranges::find_if(
            words, [&](const QString &w) { return family.contains(w, Qt::CaseInsensitive); });
        const bool pitchMatches = substitution.pitch == FacePitch::Either ||
                                  fixedPitch(family) == (substitution.pitch == FacePitch::Fixed);
        return std::tuple(word - words.begin(), !pitchMatches, family);
    };
    QString best;
    for (const QString &family : japaneseFamilies) {
        if (best.isEmpty() || rank(family) < rank(best))
            best = family;
    }
    return best;
}

void installFontSubstitutions()
{
    const QStringList installed = QFontDatabase::families();
    const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
    for (const FaceSubstitution &s : faceSubstitutions()) {
        QStringList candidates = s.candidates;
        // None of the faces we know is installed: the nearest one that has Japanese glyphs.
        const bool known = std::ranges::any_of(
            candidates, [&](const QString &family) { return installed.contains(family); });
        if (!known) {
            const QString nearest = nearestJapaneseFamily(s, japanese, halfWidthLettersAlike);
            if (!nearest.isEmpty())
                candidates.append(nearest);
        }
        QFont::insertSubstitutions(s.face, candidates);
    }
}

QFont makeFont(const QString &face, int pixelHeight, FontStyle style)
{
    QFont font(face);
    font.setPixelSize(pixelHeight);
    font.setBold(style == FontStyle::Bold || style == FontStyle::BoldItalic);
    font.setItalic(style == FontStyle::Italic || style == FontStyle::BoldItalic);
    font.setStyleStrategy(QFont::PreferMatch);
    return font;
}
