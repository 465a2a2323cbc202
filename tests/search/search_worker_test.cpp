// The search button with its statement on the background worker.
#include "catalogue/statements.h"
#include "support/qt/form_fixture.h"
#include "tools/catalogue_files/jet_writer.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <filesystem>

namespace qinghe::test {
namespace {

using catalogue_files::CatalogueBuilder;
using SearchOn = FormFixture::SearchOn;
using V = std::vector<std::string>;

// What the search root shows: its text, its children's keys and texts.
struct Listing {
    std::string root_text;
    V keys;
    V texts;
    bool operator==(const Listing&) const = default;
};

Listing listing(FormFixture& f) {
    return {f.tree().text("tv1_search"), f.child_keys("tv1_search"), f.child_texts("tv1_search")};
}

// Clicks the search button and, on the worker, waits until the rows have
// been listed (the root is opened as the last step of listing).
void search_and_wait(FormFixture& f, const std::string& text) {
    f.tree().set_expanded("tv1_search", false);
    f.search_for(text);
    ASSERT_TRUE(FormFixture::wait_until([&] { return f.tree().expanded("tv1_search"); }));
}

CatalogueBuilder catalogue() {
    CatalogueBuilder c;
    c.category(1, "新闻", 5, 1)
        .programme(7, "晚间新闻", 1, "$$土豆|a|t")
        .programme(12, "新闻联播", 1, "$$优酷|b|t", 0, "主演：卓别林")
        .programme(40, "Schindler's List", 1, "")
        .programme(41, std::monostate{}, 1, "", 0, "只有演员")
        .programme(42, std::string(60, 'a'), 1, "");
    c.category(2, "电视剧", 80, 2).programmes(2, 80, 100);
    return c;
}

TEST(SearchWorker, ListsExactlyWhatTheWindowThreadSearchLists) {
    FormFixture on_window(catalogue(), SearchOn::window_thread);
    FormFixture on_worker(catalogue(), SearchOn::worker);
    FormFixture indexed(catalogue(), SearchOn::indexed);
    // The same catalogue as a genuine Jet file, searched from its index.
    FormFixture jet(catalogue(), SearchOn::indexed);
    catalogue_files::write_jet_catalogue(jet.catalogue_file(), catalogue().data(), {});
    on_window.start();
    on_worker.start();
    indexed.start();
    jet.start();
    ASSERT_TRUE(FormFixture::wait_until([&] { return indexed.index_builds() == 1 && jet.index_builds() == 1; }));
    // Matches, none, more than fifty, every row, wildcards, an apostrophe,
    // a statement that fails, and the pattern the engine's own LIKE
    // backtracks on for minutes.
    for (const std::string text :
         {"新闻", "不存在", "节目", "", "a_b%", "r's", "'", "卓别林", "%a%a%a%a%a%a%a%a%a%a%b"}) {
        search_and_wait(on_window, text);
        search_and_wait(on_worker, text);
        search_and_wait(indexed, text);
        search_and_wait(jet, text);
        EXPECT_EQ(listing(on_worker), listing(on_window)) << "search text: " << text;
        EXPECT_EQ(listing(indexed), listing(on_window)) << "search text: " << text;
        EXPECT_EQ(listing(jet), listing(on_window)) << "search text: " << text;
    }
    EXPECT_EQ(listing(on_worker).root_text, "搜索结果(0)");
}

TEST(SearchWorker, OnlyTheLastOfSearchesStartedTogetherIsListed) {
    FormFixture f(catalogue(), SearchOn::worker);
    f.start();
    f.search_for("节目");
    search_and_wait(f, "新闻");
    // Whatever the first search would still deliver is dropped.
    for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(listing(f).keys, (V{"tv1_id2_12", "tv1_id2_7"}));
    EXPECT_EQ(listing(f).root_text, "搜索结果(2)");
}

TEST(SearchWorker, TheOldResultsGoAtOnceAndTheWindowShowsTheNewOnesWhenTheyArrive) {
    FormFixture f(catalogue(), SearchOn::worker);
    f.start();
    search_and_wait(f, "节目");
    ASSERT_EQ(f.tree().children("tv1_search"), catalogue::max_search_results);
    f.form().Tv1_Expand("tv1_id2_179");
    f.search_for("新闻");
    EXPECT_EQ(f.tree().children("tv1_search"), 0);
    EXPECT_FALSE(f.tree().contains("bf2_1_179"));
    ASSERT_TRUE(FormFixture::wait_until([&] { return f.tree().children("tv1_search") == 2; }));
}

TEST(SearchWorker, ClosingTheWindowWhileASearchRunsEndsCleanly) {
    // Each connection stops a statement after a long time; closing must not
    // wait for it.
    auto f = std::make_unique<FormFixture>(catalogue(), SearchOn::worker, std::chrono::minutes(10));
    f->start();
    f->search_for("节目");
    f.reset();
    SUCCEED();
}

TEST(SearchWorker, AReplacedCatalogueIsSearchedAtOnceAndIndexedAgainAndAGoneOneGivesNothing) {
    FormFixture f(catalogue(), SearchOn::indexed);
    f.start();
    ASSERT_TRUE(FormFixture::wait_until([&] { return f.index_builds() == 1; }));
    search_and_wait(f, "新闻");
    EXPECT_EQ(listing(f).keys, (V{"tv1_id2_12", "tv1_id2_7"}));

    CatalogueBuilder replacement;
    replacement.category(1, "新闻", 1, 1).programme(90, "早间新闻", 1, "");
    const std::filesystem::path file = f.catalogue_file();
    replacement.write(f.dir().path() / "next.dll");
    std::filesystem::rename(f.dir().path() / "next.dll", file);
    // The scan answers from the new file while the index is built again.
    search_and_wait(f, "新闻");
    EXPECT_EQ(listing(f).keys, V{"tv1_id2_90"});
    ASSERT_TRUE(FormFixture::wait_until([&] { return f.index_builds() == 2; }));
    search_and_wait(f, "新闻");
    EXPECT_EQ(listing(f).keys, V{"tv1_id2_90"});

    std::filesystem::remove(file);
    search_and_wait(f, "新闻");
    EXPECT_EQ(listing(f), (Listing{"搜索结果(0)", {}, {}}));
}

}  // namespace
}  // namespace qinghe::test
