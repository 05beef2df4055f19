#include "faces.h"

#include <algorithm>
#include <tuple>

namespace {

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool containsIgnoringCase(std::string_view text, std::string_view word)
{
    const auto match = std::ranges::search(
        text, word, [](char a, char b) { return lowerAscii(a) == lowerAscii(b); });
    return !word.empty() && !match.empty();
}

} // namespace

const FaceSubstitution *substitutionFor(std::string_view face)
{
    const auto it = std::ranges::find(FaceSubstitutions, face, &FaceSubstitution::face);
    return it == FaceSubstitutions.end() ? nullptr : &*it;
}

std::string chooseFamily(std::string_view face, const std::vector<std::string> &installed,
                         const std::function<bool(const std::string &)> &fixedPitch)
{
    if (std::ranges::find(installed, face) != installed.end())
        return std::string(face);
    const FaceSubstitution *s = substitutionFor(face);
    if (!s)
        return {};
    for (std::string_view standIn : s->standIns)
        if (!standIn.empty() && std::ranges::find(installed, standIn) != installed.end())
            return std::string(standIn);

    // Ranked so that the choice does not depend on the order the system lists faces in.
    const auto rank = [&](const std::string &family) {
        const auto word = std::ranges::find_if(
            s->kindWords, [&](std::string_view w) { return containsIgnoringCase(family, w); });
        const bool pitchMatches =
            s->pitch == FacePitch::Either || fixedPitch(family) == (s->pitch == FacePitch::Fixed);
        return std::tuple(word - s->kindWords.begin(), !pitchMatches, family);
    };
    std::string best;
    for (const std::string &family : installed)
        if (best.empty() || rank(family) < rank(best))
            best = family;
    return best;
}
