#include "ticker/ad_list.h"

#include "platform/base/error.h"

#include <gtest/gtest.h>

namespace qinghe::ticker {
namespace {

AdList of_size(std::size_t n) {
    return std::vector<std::string>(n, "x");
}

TEST(AdList, SplitsOnTheExactSeparatorKeepingEmptyPieces) {
    using V = std::vector<std::string>;
    EXPECT_EQ(split_ad_text("新浪@#sina.com.cn@#搜狐@#sohu.com"), (V{"新浪", "sina.com.cn", "搜狐", "sohu.com"}));
    EXPECT_EQ(split_ad_text("a@#b@#c@#d@#"), (V{"a", "b", "c", "d", ""}));
    EXPECT_EQ(split_ad_text("only caption"), (V{"only caption"}));
    EXPECT_EQ(split_ad_text(""), V{});
    EXPECT_EQ(split_ad_text("a@@#b"), (V{"a@", "b"}));
}

TEST(AdList, LastLabelIndexRoundsHalvesToEven) {
    const std::pair<std::size_t, int> table[] = {{0, -1}, {1, 0}, {2, 0}, {3, 0}, {4, 1},
                                                 {5, 2},  {6, 2}, {7, 2}, {9, 4}};
    for (const auto& [n, last] : table) EXPECT_EQ(last_label_index(of_size(n)), last) << "n = " << n;
}

TEST(AdList, AnUnsetListFailsEverythingThatReadsIt) {
    const AdList unset;
    EXPECT_THROW(last_label_index(unset), platform::PlatformError);
    EXPECT_THROW(ad_link(unset, 0), platform::PlatformError);
}

TEST(AdList, LinkIsTheElementAfterTheCaptionAndMayBeMissing) {
    const AdList ads = split_ad_text("c0@#l0@#c1@#l1@#c2");
    EXPECT_EQ(ad_link(ads, 1), "l1");
    EXPECT_THROW(ad_link(ads, 2), platform::PlatformError);
    EXPECT_THROW(ad_link(ads, -1), platform::PlatformError);
    EXPECT_THROW(ad_link(ads, 30000), platform::PlatformError);
}

}  // namespace
}  // namespace qinghe::ticker
