// Catalogue files that cannot be read, or only in part: the window still
// comes up with the welcome text, shows what it can, and survives a user's
// round of actions.
#include "hostile/hostile_support.h"

#include "app/form1.h"
#include "tree/node_keys.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>

namespace qinghe::test::hostile {
namespace {

using catalogue_files::CatalogueBuilder;

void write_bytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << file;
}

std::string read_bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string random_bytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(byte(generator));
    return bytes;
}

// Every key in the tree, for comparing what two windows show.
std::set<std::string> all_keys(const FormFixture& f) {
    std::set<std::string> found;
    std::vector<std::string> pending = f.root_keys();
    while (!pending.empty()) {
        const std::string key = pending.back();
        pending.pop_back();
        found.insert(key);
        for (const std::string& child : f.child_keys(key)) pending.push_back(child);
    }
    return found;
}

TEST(UnreadableCatalogue, FilesThatAreNoCatalogueLeaveTheSearchRootAlone) {
    const std::string sqlite_header("SQLite format 3\0", 16);
    for (const std::string& bytes : {random_bytes(64 * 1024, 1), random_bytes(1000, 2), std::string(),
                                     sqlite_header + random_bytes(8192, 3), std::string(4096, '\0')}) {
        SCOPED_TRACE(bytes.size());
        FormFixture f;
        write_bytes(f.catalogue_file(), bytes);
        f.start();
        EXPECT_EQ(f.browser().page_text(), app::welcome_text);
        EXPECT_EQ(f.browser().addresses(), V{"about: blank"});
        EXPECT_FALSE(f.window().timer1().enabled());
        expect_bare_window(f);

        exercise(f);
        expect_bare_window(f);
        // The program only reads its catalogue.
        EXPECT_EQ(read_bytes(f.catalogue_file()), bytes);
    }
}

// A real catalogue of a few categories and pages of programmes.
CatalogueBuilder real_catalogue() {
    CatalogueBuilder c;
    c.category(1, "电影", 120, 1).category(2, "电视剧", 80, 2).category(3, "综艺", 10, 3);
    c.programmes(1, 120, 1).programmes(2, 80, 1001).programmes(3, 10, 2001);
    c.ad("新浪@#sina.com.cn@#优酷@#youku.com");
    return c;
}

TEST(UnreadableCatalogue, ADamagedCatalogueShowsOnlyWhatTheIntactOneShows) {
    FormFixture intact(real_catalogue());
    intact.start();
    const std::set<std::string> intact_keys = all_keys(intact);
    const std::string whole = read_bytes(intact.catalogue_file());
    ASSERT_GT(whole.size(), 8192U);

    // Cut short, or with its second half overwritten.
    std::vector<std::string> damaged;
    for (const std::size_t size : {whole.size() / 2, whole.size() / 4, std::size_t{1024}, whole.size() - 1})
        damaged.push_back(whole.substr(0, size));
    damaged.push_back(whole.substr(0, whole.size() / 2) + random_bytes(whole.size() - whole.size() / 2, 4));
    damaged.push_back(whole.substr(0, whole.size() / 2) + std::string(whole.size() - whole.size() / 2, '\0'));
    // One page in the middle spoilt.
    for (const std::size_t page : {std::size_t{3}, whole.size() / 1024 / 2})
        damaged.push_back(whole.substr(0, page * 1024) + random_bytes(1024, 5) + whole.substr((page + 1) * 1024));

    for (std::size_t i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE(i);
        FormFixture f;
        write_bytes(f.catalogue_file(), damaged[i]);
        f.start();
        EXPECT_EQ(f.browser().page_text(), app::welcome_text);
        ASSERT_FALSE(f.root_keys().empty());
        EXPECT_EQ(f.root_keys().front(), "tv1_search");
        // Nothing made up from damaged pages: every node is one the intact
        // catalogue shows as well, and so is the ad list if there is one.
        for (const std::string& key : all_keys(f)) EXPECT_TRUE(intact_keys.count(key)) << key;
        if (f.form().ad_list()) {
            EXPECT_EQ(f.form().ad_list(), intact.form().ad_list());
        }
        // Cut in half, the file is no longer a database the engine opens.
        if (i == 0) expect_bare_window(f);

        const V roots = f.root_keys();
        exercise(f);
        EXPECT_EQ(f.root_keys(), roots);
    }
}

}  // namespace
}  // namespace qinghe::test::hostile
