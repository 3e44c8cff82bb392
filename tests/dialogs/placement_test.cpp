#include "dialogs/placement.h"

#include <gtest/gtest.h>

namespace marlit {
namespace {

struct CentreCase {
  const char* what;
  TwipBox owner;
  float width;
  float height;
  float left;
  float top;
};

class CentreOverTest : public testing::TestWithParam<CentreCase> {};

TEST_P(CentreOverTest, PlacesTheWindow) {
  const CentreCase& c = GetParam();
  const TwipPoint p = CentreOver(c.owner, c.width, c.height);
  EXPECT_FLOAT_EQ(p.Left, c.left);
  EXPECT_FLOAT_EQ(p.Top, c.top);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CentreOverTest,
    testing::Values(
        CentreCase{"centred", {1500, 3000, 6000, 4000}, 3000, 2000, 3000, 4000},
        // An odd difference keeps its half twip: no rounding to whole twips.
        CentreCase{"half twip", {0, 0, 6000, 3001}, 3645, 2000, 1177.5F, 500.5F},
        CentreCase{"beyond the left edge", {-3000, 3000, 4000, 4000}, 3645, 2000, 0, 4000},
        CentreCase{"beyond the top edge", {3000, -1500, 4000, 2000}, 3645, 2475, 3177.5F, 0},
        CentreCase{"narrower and lower owner", {100, 100, 1000, 1000}, 3645, 2475, 0, 0},
        // Nothing keeps the window on the screen at the right or the bottom.
        CentreCase{
            "far right and down", {40000, 30000, 6000, 4000}, 3645, 2475, 41177.5F, 30762.5F}),
    [](const testing::TestParamInfo<CentreCase>& param) {
      std::string name = param.param.what;
      for (char& ch : name)
        if (ch == ' ') ch = '_';
      return name;
    });

TEST(TwipRectTest, FifteenTwipsMakeOnePixel) {
  EXPECT_EQ(TwipRect(840, 120, 735, 255), QRect(56, 8, 49, 17));
  EXPECT_EQ(TwipRect(60, 400, 3495, 1480), QRect(4, 27, 233, 99));
}

}  // namespace
}  // namespace marlit
