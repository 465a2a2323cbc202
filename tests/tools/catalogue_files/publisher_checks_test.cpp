#include "tools/catalogue_files/publisher_checks.h"

#include "platform/schema/play_list.h"

#include "tools/catalogue_files/catalogue_builder.h"
#include "tools/catalogue_files/catalogue_data.h"
#include "tools/catalogue_files/catalogue_generator.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace qinghe::catalogue_files {
namespace {

using test::TempDir;
using Lines = std::vector<std::string>;

TEST(CatalogueCheck, ASoundCatalogueHasNothingToReport) {
    TempDir dir;
    generate_catalogue(dir.path() / "g.dll", {.categories = 4, .programmes = 300, .seed = 3, .ads = 2});
    EXPECT_EQ(check_catalogue(dir.path() / "g.dll"), Lines{});
}

TEST(CatalogueCheck, ReportsWhatAPublisherShouldFix) {
    TempDir dir;
    std::string huge_group = "$$土豆";
    for (int i = 0; i <= catalogue::play_list::max_leaf; ++i) huge_group += "|v|t";
    CatalogueBuilder c;
    c.category(1, "电影", 3, 1)
        .category(2, "新闻", 0, 2)
        .programme(1, std::monostate{}, 1, "$$土豆|a|t")
        .programme(2, "城市之光", 1, huge_group)
        .programme(3, "摩登时代", 1, std::monostate{});
    c.write(dir.path() / "bad.dll");
    drop_indexes(dir.path() / "bad.dll");
    EXPECT_EQ(check_catalogue(dir.path() / "bad.dll"),
              (Lines{"table t1 has no index on lb_id: every category page reads the whole table",
                     "table t1 has no index on id: every expansion and play reads the whole table",
                     "2 programmes with a play list the tree cannot split (the first: play group 1 has more than "
                     "16383 videos) (id 2, 3)",
                     "1 programme with a Null title (id 1)"}));
}

TEST(CatalogueCheck, ACountThatDiffersFromTheListingIsNamed) {
    TempDir dir;
    CatalogueBuilder c;
    c.category(1, "电影", 5, 1).programme(1, "城市之光", 1, "");
    c.write(dir.path() / "c.dll");
    EXPECT_EQ(check_catalogue(dir.path() / "c.dll"), Lines{"category 1 (电影): c_id says 5, t1 lists 1 programmes"});
}

}  // namespace
}  // namespace qinghe::catalogue_files
