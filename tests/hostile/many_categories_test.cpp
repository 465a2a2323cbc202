// Thirty thousand categories: all are listed in display order, each with its
// first page, and the window takes a user's round as usual.
#include "catalogue/statements.h"
#include "hostile/hostile_support.h"

#include <gtest/gtest.h>

#include <string>

namespace qinghe::test::hostile {
namespace {

using catalogue_files::CatalogueBuilder;

TEST(ManyCategories, ThirtyThousandCategoriesAreAllListedInDisplayOrder) {
    constexpr int categories = 30000;
    CatalogueBuilder c;
    // Display order is the reverse of the ids.
    for (int i = 1; i <= categories; ++i)
        c.category(i, "分类" + std::to_string(i), i, static_cast<std::int64_t>(categories + 1 - i));
    c.programmes(categories, 60, 1).programmes(1, 3, 1001);
    FormFixture f(c);
    f.start();

    const V roots = f.root_keys();
    ASSERT_EQ(roots.size(), static_cast<std::size_t>(categories) + 1);
    EXPECT_EQ(roots[0], "tv1_search");
    EXPECT_EQ(roots[1], "lb_30000");
    EXPECT_EQ(roots[2], "lb_29999");
    EXPECT_EQ(roots.back(), "lb_1");
    EXPECT_EQ(f.tree().text("lb_12345"), "分类12345(12345)");

    const V first = f.child_keys("lb_30000");
    ASSERT_EQ(first.size(), catalogue::page_size + 1U);
    EXPECT_EQ(first.back(), "tv1_next_2_30000");
    EXPECT_EQ(f.child_keys("lb_1"), (V{"tv1_id_1003", "tv1_id_1002", "tv1_id_1001"}));
    // Search root, categories, a page of programmes with their intro nodes
    // and a next-page node, three more programmes with theirs.
    EXPECT_EQ(f.node_count(), 1 + categories + catalogue::page_size * 2 + 1 + 3 * 2);

    const auto before = listing(f);
    exercise(f);
    EXPECT_EQ(listing(f), before);
}

}  // namespace
}  // namespace qinghe::test::hostile
