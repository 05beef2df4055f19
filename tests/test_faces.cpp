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

const std::vector<std::string> kMixed{"Zeta Sans",    "Beta Mincho", "Gamma PGothic",
                                      "Gamma Gothic", "Delta Maru",  "Alpha Sans"};
const std::set<std::string> kMixedFixed{"Beta Mincho", "Gamma Gothic", "Zeta Sans", "Alpha Sans"};

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
        FaceCase{"none_installed", kFaceGothic, {}, {}, ""},
        // One machine's families, each face to its nearest.
        FaceCase{"mixed_p_gothic", kFacePGothic, kMixed, kMixedFixed, "Gamma PGothic"},
        FaceCase{"mixed_gothic", kFaceGothic, kMixed, kMixedFixed, "Gamma Gothic"},
        FaceCase{"mixed_mincho", kFaceMincho, kMixed, kMixedFixed, "Beta Mincho"},
        FaceCase{"mixed_rounded", kFaceRounded, kMixed, kMixedFixed, "Delta Maru"},
        FaceCase{"mincho_among_gothics_the_fixed_one",
                 kFaceMincho,
                 {"Gamma PGothic", "Gamma Gothic"},
                 kMixedFixed,
                 "Gamma Gothic"},
        FaceCase{"same_rank_by_name",
                 kFaceGothic,
                 {"Zeta Sans", "Alpha Sans"},
                 kMixedFixed,
                 "Alpha Sans"}),
    [](const testing::TestParamInfo<FaceCase> &info) { return std::string(info.param.name); });

} // namespace
