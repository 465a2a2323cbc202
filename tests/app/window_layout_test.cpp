#include "app/window_layout.h"

#include <gtest/gtest.h>

namespace qinghe::app {
namespace {

void expect_placement(const Placement& got, Placement want, const char* control) {
    EXPECT_FLOAT_EQ(got.left, want.left) << control;
    EXPECT_FLOAT_EQ(got.top, want.top) << control;
    EXPECT_FLOAT_EQ(got.width, want.width) << control;
    EXPECT_FLOAT_EQ(got.height, want.height) << control;
}

struct SizeRow {
    float h, w;
    Placement text1, command1, tv1, web1;
    float frame1_top;
};

// The four outer sizes the window takes: start-up, Tudou, Youku and Sina.
class LayoutForEverySize : public testing::TestWithParam<SizeRow> {};

TEST_P(LayoutForEverySize, PlacesEveryControl) {
    const SizeRow& r = GetParam();
    const WindowLayout l = layout_for(r.w, r.h);
    expect_placement(l.text1, r.text1, "Text1");
    expect_placement(l.command1, r.command1, "Command1");
    expect_placement(l.tv1, r.tv1, "Tv1");
    expect_placement(l.web1, r.web1, "Web1");
    EXPECT_FLOAT_EQ(l.frame1_top, r.frame1_top) << "Frame1";
}

INSTANTIATE_TEST_SUITE_P(Sizes, LayoutForEverySize,
                         testing::Values(SizeRow{7300,
                                                 11000,
                                                 {7400, 50, 2650, 375},
                                                 {10100, 50, 735, 375},
                                                 {7400, 470, 3450, 5890},
                                                 {50, 50, 7320, 6700},
                                                 6470},
                                         SizeRow{7230,
                                                 10900,
                                                 {7300, 50, 2650, 375},
                                                 {10000, 50, 735, 375},
                                                 {7300, 470, 3450, 5820},
                                                 {50, 50, 7220, 6630},
                                                 6400},
                                         SizeRow{7420,
                                                 11190,
                                                 {7590, 50, 2650, 375},
                                                 {10290, 50, 735, 375},
                                                 {7590, 470, 3450, 6010},
                                                 {50, 50, 7510, 6820},
                                                 6590},
                                         SizeRow{7420,
                                                 12090,
                                                 {8490, 50, 2650, 375},
                                                 {11190, 50, 735, 375},
                                                 {8490, 470, 3450, 6010},
                                                 {50, 50, 8410, 6820},
                                                 6590}));

}  // namespace
}  // namespace qinghe::app
