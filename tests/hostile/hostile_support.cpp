#include "hostile/hostile_support.h"

#include "app/form1.h"
#include "tree/node_keys.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qinghe::test::hostile {

namespace keys = tree::keys;

namespace {

bool is_any_programme(const std::string& key) {
    return keys::is_programme(key) || keys::is_search_programme(key);
}

bool is_any_leaf(const std::string& key) {
    return keys::is_play_leaf(key) || keys::is_search_play_leaf(key);
}

// Opens the first programmes under a node and clicks everything they show.
void visit_programmes(FormFixture& f, const std::string& parent, int programmes) {
    app::Form1& form = f.form();
    int visited = 0;
    for (const std::string& programme : f.child_keys(parent)) {
        if (!is_any_programme(programme)) continue;
        if (++visited > programmes) break;
        form.Tv1_NodeClick(programme);
        form.Tv1_Expand(programme);
        form.Tv1_Expand(programme);  // a second expansion adds nothing
        for (const std::string& child : f.child_keys(programme)) {
            form.Tv1_Expand(child);
            form.Tv1_NodeClick(child);
            const V leaves = f.child_keys(child);
            for (std::size_t i = 0; i < leaves.size() && i < 3; ++i)
                if (is_any_leaf(leaves[i])) form.Tv1_NodeClick(leaves[i]);
        }
    }
}

// Keys that no listing makes: cut short, out of range, not numbers, or
// carrying statement text where the programme id goes.
const V made_up_keys = {
    "",
    "\xff\xfe",
    "lb_",
    "tv1_search",
    "tv1_id_",
    "tv1_id_1 union select id,tit from t1",
    "tv1_id2_0",
    "tv1_id_1;select 1",
    "intro_",
    "intro2_",
    "bf_1_1",
    "web_",
    "web_1_1_",
    "web_0_0_1",
    "web_-1_1_1",
    "web_1_32767_1",
    "web_99999_1_1",
    "web2_1_1_1 or 1=1",
    "web_1_1_1;select 1",
    "web_1_1_1'",
    "tv1_next_",
    "tv1_next_x_y",
    "tv1_next_2_99999",
    "tv1_next_99999_32767",
    "tv1_pro_0_32767",
    "tv1_pro_-32768_32767",
};

}  // namespace

void exercise(FormFixture& f) {
    app::Form1& form = f.form();
    form.Form_Resize();

    int categories = 0;
    for (const std::string& root : f.root_keys()) {
        if (root == keys::search_root) continue;
        if (++categories > 3) break;
        form.Tv1_Expand(root);
        form.Tv1_NodeClick(root);
        visit_programmes(f, root, 3);
        // A page further and back again.
        const V page_one = f.child_keys(root);
        if (!page_one.empty() && keys::is_next_page(page_one.back())) {
            form.Tv1_NodeClick(page_one.back());
            visit_programmes(f, root, 1);
            const V page_two = f.child_keys(root);
            if (!page_two.empty() && keys::is_previous_page(page_two.front())) form.Tv1_NodeClick(page_two.front());
        }
    }

    for (const char* text : {"", "'", "''", "%", "_", "节目", "\xff\xfe", "' or 1=1 --", "x'; select 1 --"}) {
        f.search_for(text);
        visit_programmes(f, std::string(keys::search_root), 2);
    }

    for (const std::string& key : made_up_keys) {
        form.Tv1_Expand(key);
        form.Tv1_NodeClick(key);
    }

    for (int tick = 0; tick < 25; ++tick) form.Timer2_Timer();
    for (const int label : {-1, 0, 1, 2, 32767, 40000}) form.Label3_Click(label);
    form.Form_Resize();
}

std::vector<std::pair<std::string, V>> listing(const FormFixture& f) {
    std::vector<std::pair<std::string, V>> categories;
    for (const std::string& root : f.root_keys())
        if (root != keys::search_root) categories.emplace_back(root, f.child_keys(root));
    return categories;
}

void drop_table(catalogue_files::CatalogueBuilder& catalogue, const std::string& table) {
    ASSERT_EQ(catalogue.data().tables.erase(table), 1U) << table;
}

void drop_column(catalogue_files::CatalogueBuilder& catalogue, const std::string& table, const std::string& column) {
    catalogue_files::Table& t = catalogue.data().tables.at(table);
    const auto at = std::find(t.columns.begin(), t.columns.end(), column);
    ASSERT_NE(at, t.columns.end()) << table << "." << column;
    const auto index = at - t.columns.begin();
    t.columns.erase(at);
    for (auto& row : t.rows) row.erase(row.begin() + index);
}

void expect_bare_window(FormFixture& f) {
    EXPECT_EQ(f.root_keys(), V{"tv1_search"});
    EXPECT_EQ(f.tree().text("tv1_search"), "搜索结果(0)");
    EXPECT_EQ(f.tree().children("tv1_search"), 0);
    EXPECT_FALSE(f.form().ad_list().has_value());
    EXPECT_TRUE(f.process().started().empty());
    EXPECT_EQ(f.form().fixed_size().height, platform::startup_window_height);
    EXPECT_EQ(f.form().fixed_size().width, platform::startup_window_width);
}

}  // namespace qinghe::test::hostile
