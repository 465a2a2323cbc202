#include "support/qt/form_fixture.h"

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

}  // namespace
}  // namespace qinghe::test
