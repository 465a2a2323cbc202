#include "playback/player_table.h"

#include <gtest/gtest.h>

namespace qinghe::playback {
namespace {

TEST(PlayerTable, TheFirstSiteNamedAnywhereInTheLabelWins) {
    const Player* tudou = choose_player("土豆网");
    ASSERT_NE(tudou, nullptr);
    EXPECT_EQ(tudou->page, "\\bg\\tudou.htm?kwelo_iid=");
    EXPECT_EQ(tudou->height, 7230);
    EXPECT_EQ(tudou->width, 10900);

    // Both names in one label: Tudou comes first in the table.
    EXPECT_EQ(choose_player("优酷和土豆"), tudou);

    const Player* youku = choose_player("优酷视频");
    ASSERT_NE(youku, nullptr);
    EXPECT_EQ(youku->page, "\\bg\\youku.htm?kwelo_iid=");
    EXPECT_EQ(youku->height, 7420);
    EXPECT_EQ(youku->width, 11190);

    const Player* sina = choose_player("新浪SINA");
    ASSERT_NE(sina, nullptr);
    EXPECT_EQ(sina->page, "\\bg\\sina.htm?kwelo_iid=");
    EXPECT_EQ(sina->height, 7420);
    EXPECT_EQ(sina->width, 12090);
}

TEST(PlayerTable, MatchingIsCaseSensitiveAndUnknownSitesPlayNothing) {
    EXPECT_EQ(choose_player("sina"), nullptr);
    EXPECT_EQ(choose_player("Sina"), nullptr);
    EXPECT_EQ(choose_player("酷6"), nullptr);
    EXPECT_EQ(choose_player(""), nullptr);
}

}  // namespace
}  // namespace qinghe::playback
