// Splitting play lists into groups and leaves, including lists far longer
// than any key can number: splitting stops at the last group and the last
// pair a key reaches, and what expansion and playback read is the same as
// from a full split.
#include "platform/schema/play_list.h"
#include "platform/base/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qinghe::catalogue::play_list {
namespace {

using V = std::vector<std::string>;

TEST(PlayList, GroupsAreNumberedFromOneAndPieceZeroIsUnused) {
    const V pieces = groups("ignored$$土豆|a1|t1|a2|t2$$$$优酷|b1|t3");
    ASSERT_EQ(pieces.size(), 4U);
    EXPECT_EQ(last_group(pieces), 3);
    EXPECT_EQ(pieces[2], "");
    EXPECT_EQ(group_fields(pieces[1]), (V{"土豆", "a1", "t1", "a2", "t2"}));
    EXPECT_EQ(last_group(groups("土豆|a1|t1")), 0);
    EXPECT_EQ(last_group(groups("")), 0);
}

TEST(PlayList, OnlyCompletePairsMakeLeaves) {
    EXPECT_EQ(leaf_count(group_fields("label|id|title|id")), 1);
    EXPECT_EQ(leaf_count(group_fields("label|id")), 0);
    EXPECT_EQ(leaf_count(group_fields("label")), 0);
    EXPECT_EQ(leaf_count(group_fields("")), 0);
    EXPECT_EQ(leaf_count(group_fields("||")), 1);
}

TEST(PlayList, NumbersStayWithinSixteenBits) {
    V many(40000, "x");
    EXPECT_EQ(last_group(many), max_group);
    EXPECT_EQ(leaf_count(many), max_leaf);
}

TEST(LongPlayList, SplittingStopsAtTheLastPieceAskedFor) {
    EXPECT_EQ(platform::split("a|b|c|d", "|", 2), (V{"a", "b"}));
    EXPECT_EQ(platform::split("a|b|c", "|", 3), (V{"a", "b", "c"}));
    EXPECT_EQ(platform::split("a|b|", "|", 3), (V{"a", "b", ""}));
    EXPECT_EQ(platform::split("a|b", "|", 5), (V{"a", "b"}));
    EXPECT_EQ(platform::split("a|b", "|", 0), V{});
    EXPECT_EQ(platform::split("", "|", 5), V{});
}

TEST(LongPlayList, GroupsBeyondTheLastNumberAreNotMade) {
    // Piece 0, then groups 1 to 40000, each naming its own number.
    std::string adds = "head";
    for (int g = 1; g <= 40000; ++g) adds += "$$g" + std::to_string(g);
    const V groups = play_list::groups(adds);
    ASSERT_EQ(groups.size(), static_cast<std::size_t>(max_group) + 1);
    EXPECT_EQ(groups[0], "head");
    EXPECT_EQ(groups[1], "g1");
    EXPECT_EQ(groups.back(), "g" + std::to_string(max_group));
    EXPECT_EQ(last_group(groups), max_group);

    // Exactly as many groups as a key can number: nothing is cut.
    std::string exact = "head";
    for (int g = 1; g <= max_group; ++g) exact += "$$g" + std::to_string(g);
    EXPECT_EQ(play_list::groups(exact).back(), "g" + std::to_string(max_group));
    EXPECT_EQ(play_list::groups(exact + "$$").size(), static_cast<std::size_t>(max_group) + 1);
}

TEST(LongPlayList, PairsBeyondTheLastLeafNumberAreNotMade) {
    std::string group = "土豆";
    for (int pair = 1; pair <= 20000; ++pair) group += "|v" + std::to_string(pair) + "|t" + std::to_string(pair);
    const V fields = group_fields(group);
    ASSERT_EQ(fields.size(), 2U * max_leaf + 1);
    EXPECT_EQ(fields[0], "土豆");
    // The last leaf a key can number keeps its identifier and title.
    EXPECT_EQ(fields[2 * max_leaf - 1], "v" + std::to_string(max_leaf));
    EXPECT_EQ(fields[2 * max_leaf], "t" + std::to_string(max_leaf));
    EXPECT_EQ(leaf_count(fields), max_leaf);
    // A group cut inside its last pair still counts only complete pairs.
    EXPECT_EQ(leaf_count(group_fields("土豆|v1|t1|v2")), 1);
}

}  // namespace
}  // namespace qinghe::catalogue::play_list
