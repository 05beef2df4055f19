#include "fonts.h"

#include <algorithm>
#include <map>

namespace {

struct Listed
{
    std::vector<std::string> families;
    std::map<std::string, bool> fixedPitch;
};

int CALLBACK addFamily(const LOGFONTW *font, const TEXTMETRICW *, DWORD, LPARAM context)
{
    auto &listed = *reinterpret_cast<Listed *>(context);
    // "@" marks a family's vertical-writing variant.
    if (font->lfFaceName[0] == L'@')
        return 1;
    const std::string name = narrow(font->lfFaceName);
    if (std::ranges::find(listed.families, name) == listed.families.end()) {
        listed.families.push_back(name);
        listed.fixedPitch[name] = (font->lfPitchAndFamily & 0x3) == FIXED_PITCH;
    }
    return 1;
}

const Listed &listed()
{
    static const Listed result = [] {
        Listed l;
        const WindowDC screen(nullptr);
        LOGFONTW query{};
        query.lfCharSet = SHIFTJIS_CHARSET;
        EnumFontFamiliesExW(screen.get(), &query, addFamily, reinterpret_cast<LPARAM>(&l), 0);
        return l;
    }();
    return result;
}

} // namespace

const std::vector<std::string> &japaneseFamilies()
{
    return listed().families;
}

std::wstring familyFor(std::string_view face)
{
    const Listed &l = listed();
    const std::string family = chooseFamily(face, l.families, [&](const std::string &name) {
        const auto it = l.fixedPitch.find(name);
        return it != l.fixedPitch.end() && it->second;
    });
    // With no Japanese family at all, the system picks by the name and the character set.
    return widen(family.empty() ? face : std::string_view(family));
}

GdiObject<HFONT> createFont(const FontSpec &wanted)
{
    static std::map<std::string_view, std::wstring> families; // one lookup per face
    auto it = families.find(wanted.face);
    if (it == families.end())
        it = families.emplace(wanted.face, familyFor(wanted.face)).first;
    // A negative height asks for the character height, without internal leading.
    return GdiObject<HFONT>(
        CreateFontW(-wanted.pixelHeight, 0, 0, 0, wanted.bold ? FW_BOLD : FW_NORMAL, wanted.italic,
                    FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH, it->second.c_str()));
}
