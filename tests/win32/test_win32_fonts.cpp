// Under Wine, which has none of the named faces: each face is drawn with an installed
// family that has Japanese glyphs, and the font made for it has the glyphs the program
// shows in it.
#include "fonts.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(Win32Fonts, EveryFaceGetsAJapaneseFamilyWithTheProgramsGlyphs)
{
    ASSERT_FALSE(japaneseFamilies().empty());
    for (const FaceSubstitution &s : FaceSubstitutions) {
        const std::string family = narrow(familyFor(s.face));
        EXPECT_NE(std::ranges::find(japaneseFamilies(), family), japaneseFamilies().end())
            << family << " for " << s.face;

        GdiObject<HFONT> font = createFont({s.face, 19, true, false});
        HDC dc = CreateCompatibleDC(nullptr);
        const Selected selected(dc, font.get());
        wchar_t face[LF_FACESIZE]{};
        GetTextFaceW(dc, LF_FACESIZE, face);
        EXPECT_EQ(narrow(face), family) << "the font made for " << s.face;
        const std::wstring text = widen("再計測終\u3000了成績表");
        std::vector<WORD> glyphs(text.size());
        GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS);
        EXPECT_EQ(std::ranges::count(glyphs, WORD{0xFFFF}), 0) << family;
        DeleteDC(dc);
    }
}

} // namespace
