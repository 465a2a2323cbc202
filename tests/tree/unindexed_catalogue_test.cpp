// A publisher's catalogue without indexes lists exactly what the same
// catalogue with indexes lists.
#include "catalogue/statements.h"
#include "support/qt/form_fixture.h"
#include "tools/catalogue_files/publisher_checks.h"

#include <gtest/gtest.h>

namespace qinghe::test {
namespace {

using catalogue_files::CatalogueBuilder;

// Every node below `key`, depth first: key and text.
void collect(FormFixture& f, const std::string& key, std::vector<std::string>& out) {
    for (const std::string& child : f.child_keys(key)) {
        out.push_back(child + "=" + f.tree().text(child));
        collect(f, child, out);
    }
}

std::vector<std::string> whole_tree(FormFixture& f) {
    std::vector<std::string> out;
    for (const std::string& root : f.root_keys()) {
        out.push_back(root + "=" + f.tree().text(root));
        collect(f, root, out);
    }
    return out;
}

CatalogueBuilder catalogue() {
    CatalogueBuilder c;
    c.category(3, "电影", 130, 2).category(1, "新闻", 2, 1).category(2, "空", 0, 3);
    // Many ties on up_dt, broken by id; ids not in insertion order.
    for (int i = 0; i < 130; ++i) {
        const int id = (i * 37) % 131 + 1;
        c.programme(id, "片" + std::to_string(id), 3, "$$土豆|v" + std::to_string(id) + "|第1集", std::int64_t{i % 4});
    }
    c.programme(500, "晚间新闻", 1, "$$优酷|a|t", std::string("2009-05-17")).programme(501, "早间新闻", 1, "", 7.5);
    c.programme(502, "无日期", 1, "", std::monostate{});
    return c;
}

TEST(UnindexedCatalogue, StartUpPagesExpansionAndSearchMatchTheIndexedFile) {
    FormFixture indexed(catalogue());
    FormFixture unindexed(catalogue());
    catalogue_files::drop_indexes(unindexed.catalogue_file());
    ASSERT_FALSE(catalogue_files::check_catalogue(unindexed.catalogue_file()).empty());
    for (FormFixture* f : {&indexed, &unindexed}) {
        f->start();
        f->form().Tv1_NodeClick("tv1_next_2_3");
        f->form().Tv1_NodeClick("tv1_next_3_3");
        f->form().Tv1_Expand("tv1_id_500");
        f->search_for("片1");
        f->form().Tv1_Expand(f->child_keys("tv1_search").at(0));
    }
    // The unindexed file is listed through the ordering kept in memory.
    platform::sqlcipher::SqlcipherConnection connection;
    connection.open(catalogue::connection_string(unindexed.dir().path().string()), "", "", -1);
    EXPECT_EQ(connection
                  .open_recordset("select count(*) as n from temp.qinghe_listing", platform::CursorType::keyset,
                                  platform::LockType::read_only, -1)
                  ->field("n")
                  .text(),
              "133");
    const std::vector<std::string> expected = whole_tree(indexed);
    ASSERT_GT(expected.size(), 2U * catalogue::page_size);
    EXPECT_EQ(whole_tree(unindexed), expected);
}

}  // namespace
}  // namespace qinghe::test
