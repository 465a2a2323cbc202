#include "tools/catalogue_files/catalogue_generator.h"

#include "tools/catalogue_files/catalogue_data.h"
#include "tools/catalogue_files/catalogue_json.h"

#include "catalogue_checks.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace qinghe::catalogue_files {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

CatalogueData generated(const TempDir& dir, const GenerateOptions& options, const std::string& name = "g.dll") {
    generate_catalogue(dir.path() / name, options);
    return read_catalogue(dir.path() / name);
}

TEST(CatalogueGenerator, TheSameOptionsGiveTheSameContents) {
    TempDir dir;
    const GenerateOptions options{.categories = 9, .programmes = 400, .seed = 77, .ads = 4};
    const auto first = to_json(generated(dir, options, "a.dll"));
    const auto second = to_json(generated(dir, options, "b.dll"));
    EXPECT_EQ(first, second);

    GenerateOptions other = options;
    other.seed = 78;
    EXPECT_NE(to_json(generated(dir, other, "c.dll"))["t1"], first["t1"]);
}

TEST(CatalogueGenerator, WritesAWellFormedCatalogueOfTheRequestedSize) {
    TempDir dir;
    const auto data = generated(dir, {.categories = 12, .programmes = 300, .seed = 1, .ads = 5});
    EXPECT_EQ(data.tables.at("vlb").columns, usual_columns("vlb"));
    EXPECT_EQ(data.tables.at("t1").columns, usual_columns("t1"));
    ASSERT_EQ(data.tables.at("vlb").rows.size(), 12u);
    ASSERT_EQ(data.tables.at("t1").rows.size(), 300u);
    EXPECT_EQ(checks::expect_well_formed(data), 5u);

    const Table& vlb = data.tables.at("vlb");
    const Table& t1 = data.tables.at("t1");
    std::vector<std::int64_t> px;
    std::int64_t largest = 0;
    std::set<std::size_t> group_counts;
    for (std::size_t r = 0; r < vlb.rows.size(); ++r) {
        EXPECT_EQ(std::get<std::int64_t>(checks::cell(vlb, r, "lb_id")), static_cast<std::int64_t>(r + 1));
        px.push_back(std::get<std::int64_t>(checks::cell(vlb, r, "px")));
        largest = std::max(largest, std::get<std::int64_t>(checks::cell(vlb, r, "c_id")));
    }
    EXPECT_EQ(checks::cell(vlb, 0, "lb"), Cell(std::string("电影")));
    EXPECT_FALSE(std::is_sorted(px.begin(), px.end())) << "display order is the id order";
    // Skewed: some category is big enough to need several pages.
    EXPECT_GT(largest, 50);
    for (std::size_t r = 0; r < t1.rows.size(); ++r) {
        EXPECT_EQ(std::get<std::int64_t>(checks::cell(t1, r, "id")), static_cast<std::int64_t>(r + 1));
        group_counts.insert(checks::split(std::get<std::string>(checks::cell(t1, r, "adds")), "$$").size() - 1);
    }
    EXPECT_EQ(group_counts, (std::set<std::size_t>{1, 2, 3}));
}

TEST(CatalogueGenerator, NamesManyCategoriesApartAndHandlesEmptyCatalogues) {
    TempDir dir;
    const auto many = generated(dir, {.categories = 60, .programmes = 100, .seed = 3, .ads = 25}, "many.dll");
    std::set<std::string> names;
    for (std::size_t r = 0; r < 60; ++r) {
        names.insert(std::get<std::string>(checks::cell(many.tables.at("vlb"), r, "lb")));
    }
    EXPECT_EQ(names.size(), 60u);
    EXPECT_EQ(checks::expect_well_formed(many), 25u);

    const auto empty = generated(dir, {.categories = 0, .programmes = 0, .seed = 1, .ads = 0}, "empty.dll");
    EXPECT_TRUE(empty.tables.at("vlb").rows.empty());
    EXPECT_TRUE(empty.tables.at("t1").rows.empty());
    EXPECT_EQ(empty.tables.at("ad").rows, (std::vector<std::vector<Cell>>{{std::string()}}));
}

TEST(CatalogueGenerator, RefusesImpossibleOptionsWithoutWritingAFile) {
    TempDir dir;
    const fs::path file = dir.path() / "g.dll";
    for (const GenerateOptions& options : {GenerateOptions{.categories = -1}, GenerateOptions{.categories = 32768},
                                           GenerateOptions{.categories = 0, .programmes = 1},
                                           GenerateOptions{.programmes = -5}, GenerateOptions{.ads = -1}}) {
        EXPECT_THROW(generate_catalogue(file, options), std::runtime_error);
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_THROW(generate_catalogue(dir.path() / "missing" / "g.dll", {}), std::runtime_error);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

}  // namespace
}  // namespace qinghe::catalogue_files
