// Which installed family draws each of the program's faces.
#include "faces.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

struct FaceCase
{
    const char *name;
    std::string_view face;
    std::vector<std::string> installed;
    std::set<std::string> fixedPitch;
    std::string expected;
};

class ChoosesFamily : public testing::TestWithParam<FaceCase>
{
};

TEST_P(ChoosesFamily, NearestOfItsKind)
{
    const FaceCase &c = GetParam();
    const std::string chosen = chooseFamily(
        c.face, c.installed, [&](const std::string &f) { return c.fixedPitch.contains(f); });
    EXPECT_EQ(chosen, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, ChoosesFamily,
    testing::Values(
        FaceCase{"named_face_itself", kFaceMincho, {"IPAMincho", "ＭＳ 明朝"}, {}, "ＭＳ 明朝"},
        FaceCase{"first_stand_in", kFaceGothic, {"VL Gothic", "IPAGothic"}, {}, "IPAGothic"},
        // No stand-in: the kind word comes before the pitch, the pitch before the name.
        FaceCase{"mincho_by_word",
                 kFaceMincho,
                 {"Droid Sans Fallback", "Foo Serif", "Bar Mincho"},
                 {"Foo Serif"},
                 "Bar Mincho"},
        FaceCase{"fixed_gothic_by_pitch",
                 kFaceGothic,
                 {"Alpha PGothic", "Zeta Gothic"},
                 {"Zeta Gothic"},
                 "Zeta Gothic"},
        FaceCase{"proportional_by_pitch",
                 kFacePGothic,
                 {"Alpha Gothic", "Zeta PGothic"},
                 {"Alpha Gothic"},
                 "Zeta PGothic"},
        FaceCase{"word_without_case", kFaceRounded, {"Some Sans", "round maru"}, {}, "round maru"},
        FaceCase{
            "any_japanese_family", kFaceMincho, {"Droid Sans Fallback"}, {}, "Droid Sans Fallback"},
        FaceCase{"none_installed", kFaceGothic, {}, {}, ""}),
    [](const testing::TestParamInfo<FaceCase> &info) { return std::string(info.param.name); });

} // namespace
