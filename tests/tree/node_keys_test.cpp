#include "tree/node_keys.h"

#include <gtest/gtest.h>

namespace qinghe::tree {
namespace {

using V = std::vector<std::string>;

TEST(NodeKeys, EveryKindIsBuiltFromItsPrefixAndPlainDecimals) {
    EXPECT_EQ(keys::category(12), "lb_12");
    EXPECT_EQ(keys::category(-5), "lb_-5");
    EXPECT_EQ(keys::category("12"), "lb_12");
    EXPECT_EQ(keys::next_page(2, 12), "tv1_next_2_12");
    EXPECT_EQ(keys::previous_page(2, 12), "tv1_pro_2_12");
    EXPECT_EQ(keys::programme("17"), "tv1_id_17");
    EXPECT_EQ(keys::intro("17"), "intro_17");
    EXPECT_EQ(keys::play_group(1, "17"), "bf_1_17");
    EXPECT_EQ(keys::play_leaf(1, 2, "17"), "web_1_2_17");
    EXPECT_EQ(keys::search_programme("17"), "tv1_id2_17");
    EXPECT_EQ(keys::search_intro("17"), "intro2_17");
    EXPECT_EQ(keys::search_play_group(1, "17"), "bf2_1_17");
    EXPECT_EQ(keys::search_play_leaf(1, 2, "17"), "web2_1_2_17");
}

TEST(NodeKeys, CategoryAndSearchLookAlikesAreTellApart) {
    EXPECT_TRUE(keys::is_programme("tv1_id_17"));
    EXPECT_FALSE(keys::is_programme("tv1_id2_17"));
    EXPECT_TRUE(keys::is_search_programme("tv1_id2_17"));
    EXPECT_FALSE(keys::is_search_programme("tv1_id_17"));
    EXPECT_TRUE(keys::is_play_leaf("web_1_2_17"));
    EXPECT_FALSE(keys::is_play_leaf("web2_1_2_17"));
    EXPECT_TRUE(keys::is_search_play_leaf("web2_1_2_17"));
    EXPECT_TRUE(keys::is_intro("intro_17"));
    EXPECT_FALSE(keys::is_intro("intro2_17"));
    EXPECT_TRUE(keys::is_search_intro("intro2_17"));
    EXPECT_TRUE(keys::is_next_page("tv1_next_2_12"));
    EXPECT_TRUE(keys::is_previous_page("tv1_pro_2_12"));
    for (const char* other : {"tv1_search", "lb_3", "bf_1_17", "bf2_1_17", "tv1_", ""}) {
        EXPECT_FALSE(keys::is_programme(other) || keys::is_search_programme(other) || keys::is_next_page(other) ||
                     keys::is_previous_page(other) || keys::is_play_leaf(other) || keys::is_search_play_leaf(other) ||
                     keys::is_intro(other) || keys::is_search_intro(other))
            << other;
    }
}

TEST(NodeKeys, PageAndLeafKeysSplitIntoTheirNumberedFields) {
    EXPECT_EQ(keys::fields("tv1_next_2_12"), (V{"tv1", "next", "2", "12"}));
    EXPECT_EQ(keys::fields("tv1_pro_2_12"), (V{"tv1", "pro", "2", "12"}));
    EXPECT_EQ(keys::fields("web2_1_2_17"), (V{"web2", "1", "2", "17"}));
    EXPECT_EQ(keys::fields("tv1_id2_17"), (V{"tv1", "id2", "17"}));
}

}  // namespace
}  // namespace qinghe::tree
