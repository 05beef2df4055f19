#include "fonts.h"

#include "qttext.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

namespace {

// Dual-width Japanese faces are not fixed pitch to Qt; what matters here is whether the
// half-width letters all advance alike.
bool halfWidthLettersAlike(const std::string &family)
{
    const QFontMetrics metrics(QFont(QString::fromStdString(family), 16));
    return metrics.horizontalAdvance(u'i') == metrics.horizontalAdvance(u'W');
}

} // namespace

void installFontSubstitutions()
{
    const QStringList installed = QFontDatabase::families();
    std::vector<std::string> japanese;
    for (const QString &family : QFontDatabase::families(QFontDatabase::Japanese))
        japanese.push_back(family.toStdString());
    for (const FaceSubstitution &s : FaceSubstitutions) {
        QStringList candidates;
        for (std::string_view standIn : s.standIns)
            if (!standIn.empty())
                candidates.append(toQString(standIn));
        // None of the faces we know is installed: the nearest one that has Japanese glyphs.
        const bool known = std::ranges::any_of(
            candidates, [&](const QString &family) { return installed.contains(family); });
        if (!known) {
            const std::string nearest = chooseFamily(s.face, japanese, halfWidthLettersAlike);
            if (!nearest.empty())
                candidates.append(QString::fromStdString(nearest));
        }
        QFont::insertSubstitutions(toQString(s.face), candidates);
    }
}

QFont makeFont(const FontSpec &wanted)
{
    QFont font(toQString(wanted.face));
    font.setPixelSize(wanted.pixelHeight);
    font.setBold(wanted.bold);
    font.setItalic(wanted.italic);
    font.setStyleStrategy(QFont::PreferMatch);
    return font;
}
