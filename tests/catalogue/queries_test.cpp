#include "catalogue/queries.h"
#include "catalogue/statements.h"
#include "platform/base/error.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "support/temp_dir.h"
#include "tools/catalogue_files/catalogue_builder.h"

#include <gtest/gtest.h>

#include <vector>

namespace qinghe::catalogue {
namespace {

using platform::CursorType;
using platform::LockType;
using platform::PlatformError;
using platform::Recordset;

// Records how the catalogue is opened and each query run; runs nothing.
class RecordingConnection : public platform::Connection {
public:
    void open(const std::string& cs, const std::string& user, const std::string& password, int options) override {
        calls.push_back({cs + "|" + user + "|" + password + "|" + std::to_string(options)});
    }
    void close() override {}
    bool is_open() const override { return true; }
    std::unique_ptr<Recordset> open_recordset(const std::string& source, CursorType cursor, LockType lock,
                                              int options) override {
        calls.push_back(source + "|" + std::to_string(static_cast<int>(cursor)) + "|" +
                        std::to_string(static_cast<int>(lock)) + "|" + std::to_string(options));
        return nullptr;
    }
    void interrupt() noexcept override {}
    void resume() noexcept override {}
    std::vector<std::string> calls;
};

TEST(CatalogueQueries, TheCatalogueAndEachQueryOpenWithTheirFixedArguments) {
    RecordingConnection c;
    open_catalogue(c, "/opt/qinghe");
    open_ad_query(c);
    open_category_query(c);
    open_first_page_query(c, 3);
    open_later_page_query(c, 3);
    open_programme_query(c, "9");
    open_play_query(c, "9");
    open_search_query(c, "x");
    const std::string optimistic = "|1|3|-1";  // keyset, optimistic, adCmdUnspecified
    const std::string read_only = "|1|1|-1";   // keyset, read-only, adCmdUnspecified
    EXPECT_EQ(c.calls, (std::vector<std::string>{connection_string("/opt/qinghe") + "|||-1", ad_query() + optimistic,
                                                 category_query() + optimistic, first_page_query(3) + read_only,
                                                 later_page_query(3) + read_only, programme_query("9") + optimistic,
                                                 play_query("9") + optimistic, search_query("x") + optimistic}));
}

// Counts its closes; a second close fails as on a real recordset.
class CountingRecordset : public Recordset {
public:
    explicit CountingRecordset(int& closes) : closes_(closes) {}
    bool eof() const override { return true; }
    void move_next() override {}
    platform::Value field(const std::string&) const override { return {}; }
    long record_count() const override { return 0; }
    void set_page_size(long) override {}
    long page_size() const override { return 10; }
    void set_absolute_page(long) override {}
    long page_count() const override { return 0; }
    void close() override {
        if (++closes_ > 1) throw PlatformError("already closed");
    }

private:
    int& closes_;
};

TEST(CatalogueQueries, CloseAndReleaseClosesWhatItCanAndAlwaysReleases) {
    int closes = 0;
    std::unique_ptr<Recordset> rs = std::make_unique<CountingRecordset>(closes);
    close_and_release(rs);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(rs, nullptr);
    int already = 0;
    rs = std::make_unique<CountingRecordset>(already);
    rs->close();
    close_and_release(rs);  // its close fails, which is let be
    EXPECT_EQ(already, 2);
    EXPECT_EQ(rs, nullptr);
    close_and_release(rs);
    EXPECT_EQ(rs, nullptr);
}

TEST(CatalogueQueries, EveryQueryRunsOnARealCatalogue) {
    test::TempDir dir;
    catalogue_files::CatalogueBuilder b;
    b.category(1, "电影", 12, 2)
        .category(2, "电视剧", std::monostate{}, 1)
        .programmes(1, 2 * page_size + page_size / 2);
    b.programme(500, "西游记", 2, "$$土豆|a1|第1集", 7, "吴承恩").ad("新浪@#sina.com.cn");
    b.write(dir.path() / catalogue_file_name);
    platform::sqlcipher::SqlcipherConnection connection;
    open_catalogue(connection, dir.path().string());
    ASSERT_TRUE(connection.is_open());

    EXPECT_EQ(open_ad_query(connection)->field("ad").text(), "新浪@#sina.com.cn");
    auto categories = open_category_query(connection);
    EXPECT_EQ(categories->field("lb").text(), "电视剧");
    EXPECT_TRUE(categories->field("c_id").is_null());
    categories->move_next();
    EXPECT_EQ(categories->field("lb_id").to_int16(), 1);
    close_and_release(categories);

    auto first = open_first_page_query(connection, 1);
    EXPECT_EQ(first->field("id").text(), std::to_string(2 * page_size + page_size / 2));
    EXPECT_EQ(first->record_count(), page_size + 1);
    auto later = open_later_page_query(connection, 1);
    later->set_page_size(page_size);
    later->set_absolute_page(3);
    EXPECT_EQ(later->field("id").text(), std::to_string(page_size / 2));
    EXPECT_EQ(later->page_count(), 3);

    EXPECT_EQ(open_programme_query(connection, "500")->field("adds").text(), "$$土豆|a1|第1集");
    EXPECT_EQ(open_play_query(connection, "500")->field("tit").text(), "西游记");
    EXPECT_THROW(open_play_query(connection, "404")->field("adds"), PlatformError);
    auto search = open_search_query(connection, "承恩");
    EXPECT_EQ(search->record_count(), 1);
    EXPECT_EQ(search->field("tit").text(), "西游记");

    // A recordset whose connection has closed is released all the same.
    connection.close();
    close_and_release(search);
    EXPECT_EQ(search, nullptr);
}

TEST(CatalogueQueries, ADirectoryWithoutTheCatalogueLeavesTheConnectionClosed) {
    test::TempDir dir;
    platform::sqlcipher::SqlcipherConnection connection;
    EXPECT_THROW(open_catalogue(connection, dir.path().string()), PlatformError);
    EXPECT_FALSE(connection.is_open());
    EXPECT_THROW(open_ad_query(connection), PlatformError);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace qinghe::catalogue
