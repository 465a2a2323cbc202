// Catalogues with the right password but a table or a column missing: every
// part of the window that does not need the missing piece works as usual,
// the part that needs it shows nothing, and nothing fails for the user.
#include "hostile/hostile_support.h"

#include "app/form1.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace qinghe::test::hostile {
namespace {

using catalogue_files::CatalogueBuilder;

const std::string playing_xiyouji = playing_caption("西游记——第2集");

CatalogueBuilder base_catalogue() {
    CatalogueBuilder c;
    c.category(1, "电影", 2, 2).category(2, "电视剧", 1, 1);
    c.programme(11, "西游记", 1, "$$土豆|a1|第1集|a2|第2集", 5, "吴承恩");
    c.programme(12, "红楼梦", 1, "$$优酷|b1|上集", 4);
    c.programme(21, "新闻", 2, "$$SINA|s1|今天", 3);
    c.ad("新浪@#sina.com.cn@#优酷@#youku.com");
    return c;
}

struct Spoiled {
    const char* what;
    std::function<void(CatalogueBuilder&)> spoil;
    bool categories;  // the category nodes are there
    bool listings;    // and hold their first pages
    int found;        // results of a search for 西游
    bool play_list;   // a programme expands into its groups and plays
    bool ads;         // the ad list is read
};

void replace_ad_column(CatalogueBuilder& c) {
    catalogue_files::Table& ad = c.data().tables.at("ad");
    ad.columns = {"text"};
}

const Spoiled spoiled_catalogues[] = {
    {"no ad table", [](CatalogueBuilder& c) { drop_table(c, "ad"); }, true, true, 1, true, false},
    {"an empty ad table", [](CatalogueBuilder& c) { c.data().tables.at("ad").rows.clear(); }, true, true, 1, true,
     false},
    {"ad table without column ad", replace_ad_column, true, true, 1, true, false},
    {"t1 without adds", [](CatalogueBuilder& c) { drop_column(c, "t1", "adds"); }, true, true, 1, false, true},
    {"t1 without player", [](CatalogueBuilder& c) { drop_column(c, "t1", "player"); }, true, true, 0, true, true},
    {"t1 without tit", [](CatalogueBuilder& c) { drop_column(c, "t1", "tit"); }, true, false, 0, false, true},
    {"t1 without up_dt", [](CatalogueBuilder& c) { drop_column(c, "t1", "up_dt"); }, true, false, 1, true, true},
    {"t1 without lb_id", [](CatalogueBuilder& c) { drop_column(c, "t1", "lb_id"); }, true, false, 1, true, true},
    {"no t1 table", [](CatalogueBuilder& c) { drop_table(c, "t1"); }, true, false, 0, false, true},
    {"vlb without px", [](CatalogueBuilder& c) { drop_column(c, "vlb", "px"); }, false, false, 1, true, true},
    {"vlb without lb_id", [](CatalogueBuilder& c) { drop_column(c, "vlb", "lb_id"); }, false, false, 1, true, true},
    {"vlb without lb", [](CatalogueBuilder& c) { drop_column(c, "vlb", "lb"); }, false, false, 1, true, true},
    {"vlb without c_id", [](CatalogueBuilder& c) { drop_column(c, "vlb", "c_id"); }, false, false, 1, true, true},
    {"no vlb table", [](CatalogueBuilder& c) { drop_table(c, "vlb"); }, false, false, 1, true, true},
};

TEST(IncompleteCatalogue, EachMissingPieceTakesOnlyWhatNeedsIt) {
    for (const Spoiled& s : spoiled_catalogues) {
        SCOPED_TRACE(s.what);
        CatalogueBuilder catalogue = base_catalogue();
        s.spoil(catalogue);
        FormFixture f(catalogue);
        f.start();
        EXPECT_EQ(f.browser().page_text(), app::welcome_text);

        // The top of the tree, and the first pages.
        const V roots = s.categories ? V{"tv1_search", "lb_2", "lb_1"} : V{"tv1_search"};
        EXPECT_EQ(f.root_keys(), roots);
        if (s.categories) {
            EXPECT_EQ(f.child_keys("lb_1"), s.listings ? (V{"tv1_id_11", "tv1_id_12"}) : V{});
            EXPECT_EQ(f.child_keys("lb_2"), s.listings ? V{"tv1_id_21"} : V{});
        }

        // The ad strip.
        EXPECT_EQ(f.form().ad_list().has_value(), s.ads);
        f.form().Label3_Click(1);
        EXPECT_EQ(f.process().started().size(), s.ads ? 1U : 0U);

        // A search, a programme opened from its results, and one of its videos.
        f.search_for("西游");
        EXPECT_EQ(f.tree().text("tv1_search"), "搜索结果(" + std::to_string(s.found) + ")");
        EXPECT_EQ(f.child_keys("tv1_search"), s.found == 1 ? V{"tv1_id2_11"} : V{});
        if (s.found == 1) {
            f.form().Tv1_Expand("tv1_id2_11");
            EXPECT_EQ(f.child_keys("tv1_id2_11"), s.play_list ? (V{"intro2_11", "bf2_1_11"}) : V{"intro2_11"});
        }
        const std::string caption = f.window().caption();
        f.form().Tv1_NodeClick("web2_1_2_11");
        EXPECT_EQ(f.window().caption(), s.play_list ? playing_xiyouji : caption);
        EXPECT_EQ(f.form().fixed_size().width, s.play_list ? 10900 : platform::startup_window_width);

        exercise(f);
        EXPECT_EQ(f.root_keys(), roots);
    }
}

}  // namespace
}  // namespace qinghe::test::hostile
