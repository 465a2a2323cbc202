#include "support/qt/form_fixture.h"
#include "tree/category_roots.h"

#include <gtest/gtest.h>

namespace qinghe::test {
namespace {

using catalogue_files::CatalogueBuilder;
using V = std::vector<std::string>;

TEST(CategoryRoots, SearchRootFirstThenCategoriesInDisplayOrder) {
    CatalogueBuilder catalogue;
    catalogue.category(1, "电影", 10, 2).category(2, "电视剧", 20, 1).category(3, "综艺", 30, 3);
    FormFixture f(catalogue);
    f.start();
    EXPECT_EQ(f.root_keys(), (V{"tv1_search", "lb_2", "lb_1", "lb_3"}));
    EXPECT_EQ(f.tree().text("tv1_search"), "搜索结果(0)");
    EXPECT_EQ(f.tree().text("lb_2"), "电视剧(20)");
    EXPECT_FALSE(f.window().timer1().enabled());
}

// A catalogue of more categories than a tick adds fills over several ticks,
// each adding the next ones in order with their first pages; the last tick
// switches the timer off and starts the one index build.
TEST(CategoryRoots, ManyCategoriesFillOverSeveralTicksInDisplayOrder) {
    const long count = 2 * tree::categories_per_tick + 3;
    CatalogueBuilder catalogue;
    V expected{"tv1_search"};
    for (long i = 1; i <= count; ++i) {
        // Display order is the reverse of the ids.
        catalogue.category(i, "类" + std::to_string(i), 1, count - i).programme(i, "节目", i, "");
        expected.insert(expected.begin() + 1, "lb_" + std::to_string(i));
    }
    FormFixture f(catalogue, FormFixture::SearchOn::indexed);
    f.form().Form_Load();
    std::vector<std::size_t> roots_after_tick;
    for (int tick = 0; tick < 10 && f.window().timer1().enabled(); ++tick) {
        f.form().Timer1_Timer();
        roots_after_tick.push_back(f.root_keys().size());
        EXPECT_EQ(f.index_builds(), 0);
    }
    const std::size_t per_tick = static_cast<std::size_t>(tree::categories_per_tick);
    EXPECT_EQ(roots_after_tick, (std::vector<std::size_t>{1 + per_tick, 1 + 2 * per_tick, 1 + 2 * per_tick + 3}));
    EXPECT_EQ(f.root_keys(), expected);
    EXPECT_EQ(f.child_texts("lb_1"), V{"1.节目"});
    EXPECT_TRUE(FormFixture::wait_until([&] { return f.index_builds() == 1; }));
}

}  // namespace
}  // namespace qinghe::test
