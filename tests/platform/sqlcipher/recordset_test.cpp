#include "catalogue/statements.h"
#include "data_access_support.h"
#include "platform/schema/catalogue_file.h"

#include "platform/base/error.h"

namespace qinghe::test {
namespace {

using platform::PlatformError;

// The category listing's page size, and its first page's statement on n.
using catalogue::page_size;
const std::string first_page_sql = "select top " + std::to_string(page_size + 1) + " v from n order by v";

// A connection on a catalogue whose table n holds 1..count.
class Numbers {
public:
    explicit Numbers(int count) {
        write_numbers(dir_.path() / catalogue::catalogue_file_name, count);
        connection_.open(catalogue_string(dir_.path()), "", "", -1);
    }
    std::unique_ptr<Recordset> open(const std::string& sql) { return run(connection_, sql); }

private:
    TempDir dir_;
    SqlcipherConnection connection_;
};

// One page as the category listing reads it: up to `size` rows until the end.
std::vector<std::string> page_rows(Recordset& rs, long size) {
    std::vector<std::string> rows;
    for (long i = 0; i < size && !rs.eof(); ++i, rs.move_next()) rows.push_back(rs.field("v").text());
    return rows;
}

class DataAccessPaging : public ::testing::TestWithParam<int> {};

TEST_P(DataAccessPaging, AnUnlimitedResultCountsAndPages) {
    const int rows = GetParam();
    Numbers db(rows);
    auto rs = db.open("select v from n order by v");
    EXPECT_EQ(rs->eof(), rows == 0);
    EXPECT_EQ(rs->record_count(), rows);
    rs->set_page_size(page_size);
    const long pages = (rows + page_size - 1) / page_size;
    EXPECT_EQ(rs->page_count(), pages);
    for (long page = pages; page >= 1; --page) {  // backwards: no page relies on the one before
        rs->set_absolute_page(page);
        const int first = static_cast<int>((page - 1) * page_size + 1);
        EXPECT_EQ(page_rows(*rs, page_size), numbers(first, std::min(first + page_size - 1, rows))) << "page " << page;
        EXPECT_EQ(rest_of_column(*rs, "v"), numbers(first + page_size, rows));  // the cursor runs on to the end
    }
    EXPECT_THROW(rs->set_absolute_page(pages + 1), PlatformError);
    EXPECT_THROW(rs->set_absolute_page(0), PlatformError);
}

TEST_P(DataAccessPaging, ATopResultCountsAndPages) {
    const int rows = GetParam();
    const int kept = std::min(rows, page_size + 1);
    Numbers db(rows);
    // Counting first, as the search does...
    auto rs = db.open(first_page_sql);
    EXPECT_EQ(rs->record_count(), kept);
    EXPECT_EQ(rest_of_column(*rs, "v"), numbers(1, kept));
    rs->set_page_size(page_size);
    EXPECT_EQ(rs->page_count(), (kept + page_size - 1) / page_size);
    if (kept > page_size) {
        rs->set_absolute_page(2);
        EXPECT_EQ(rest_of_column(*rs, "v"), numbers(page_size + 1, page_size + 1));
    }
    EXPECT_THROW(rs->set_absolute_page((kept + page_size - 1) / page_size + 1), PlatformError);
    // ...or after up to a page of rows, as the first page does.
    auto first = db.open(first_page_sql);
    EXPECT_EQ(page_rows(*first, page_size), numbers(1, std::min(rows, page_size)));
    EXPECT_EQ(first->record_count(), kept);
    EXPECT_EQ(rest_of_column(*first, "v"), numbers(page_size + 1, kept));
}

INSTANTIATE_TEST_SUITE_P(Rows, DataAccessPaging,
                         ::testing::Values(0, 1, page_size, page_size + 1, 2 * page_size, 2 * page_size + 1));

TEST(DataAccessRecordset, CountingKeepsThePositionAndTheTopLimits) {
    Numbers db(120);
    for (const auto& [sql, count] :
         {std::pair{"select v from n order by v", 120}, std::pair{"SELECT  Top   100 v from n order by v", 100}}) {
        auto rs = db.open(sql);
        page_rows(*rs, 30);
        EXPECT_EQ(rs->record_count(), count) << sql;
        EXPECT_EQ(rest_of_column(*rs, "v"), numbers(31, count)) << sql;
    }
    EXPECT_EQ(db.open("select top 200 v from n")->record_count(), 120);
}

TEST(DataAccessRecordset, PageSizeDefaultsToTenAndFailedCallsKeepThePosition) {
    Numbers db(25);
    auto rs = db.open("select v from n order by v");
    EXPECT_EQ(rs->page_size(), 10);
    EXPECT_EQ(rs->page_count(), 3);
    rs->move_next();
    EXPECT_THROW(rs->set_absolute_page(4), PlatformError);
    EXPECT_THROW(rs->set_page_size(0), PlatformError);
    EXPECT_EQ(rs->page_size(), 10);
    EXPECT_EQ(rs->field("v").text(), "2");
    rs->set_absolute_page(3);
    EXPECT_EQ(rest_of_column(*rs, "v"), numbers(21, 25));
}

TEST(DataAccessRecordset, StatementsThatTakeNoAppendedLimitStillCountAndPage) {
    Numbers db(60);
    auto limited = db.open("select v from n order by v limit 45");
    limited->set_page_size(20);
    EXPECT_EQ(limited->page_count(), 3);
    limited->set_absolute_page(3);
    EXPECT_EQ(rest_of_column(*limited, "v"), numbers(41, 45));
    auto explain = db.open("explain select v from n order by v");
    const long count = explain->record_count();
    long stepped = 0;
    for (; !explain->eof(); explain->move_next()) ++stepped;
    EXPECT_GT(stepped, 0);
    EXPECT_EQ(stepped, count);
}

TEST(DataAccessRecordset, ReadingPastTheEndAndAfterCloseFails) {
    Numbers db(1);
    auto rs = db.open("select v from n");
    rs->move_next();
    EXPECT_TRUE(rs->eof());
    EXPECT_THROW(rs->field("v"), PlatformError);
    EXPECT_THROW(rs->move_next(), PlatformError);
    auto empty = db.open("select v from n where v > 1");
    EXPECT_TRUE(empty->eof());
    EXPECT_THROW(empty->field("v"), PlatformError);
    EXPECT_THROW(empty->set_absolute_page(1), PlatformError);
    EXPECT_EQ(empty->page_count(), 0);
    empty->close();
    EXPECT_THROW(empty->close(), PlatformError);
    EXPECT_THROW(empty->eof(), PlatformError);
    EXPECT_THROW(empty->record_count(), PlatformError);
}

TEST(DataAccessRecordset, ColumnsByNameInAnyCaseAndValuesOfEveryKind) {
    Numbers db(1);
    auto rs = db.open(
        "select null as nothing, '' as empty, 42 as Whole, -2.5 as real, '节目' as text, "
        "cast(x'61ff0062' as text) as raw, x'00ff41' as bytes");
    EXPECT_TRUE(rs->field("NOTHING").is_null());
    EXPECT_THROW(rs->field("nothing").require_text(), PlatformError);
    EXPECT_FALSE(rs->field("empty").is_null());
    EXPECT_EQ(rs->field("empty").require_text(), "");
    EXPECT_EQ(rs->field("wHOLE").to_int16(), 42);
    EXPECT_EQ(rs->field("real").text(), "-2.5");
    EXPECT_EQ(rs->field("text").text(), "节目");
    EXPECT_EQ(rs->field("raw").text(), std::string("a\xff\0b", 4));
    EXPECT_EQ(rs->field("bytes").text(), std::string("\0\xff"
                                                     "A",
                                                     3));
    EXPECT_THROW(rs->field("missing"), PlatformError);
}

TEST(DataAccessRecordset, NullAndEmptyTextStayApartWhenCountedAndPaged) {
    Numbers db(1);
    for (const char* sql : {"select top 5 * from (select null as x union all select '' union all select 'a')",
                            "select * from (select null as x union all select '' union all select 'a')"}) {
        auto rs = db.open(sql);
        EXPECT_EQ(rs->record_count(), 3) << sql;
        EXPECT_TRUE(rs->field("x").is_null()) << sql;
        rs->set_page_size(1);
        rs->set_absolute_page(2);
        EXPECT_FALSE(rs->field("x").is_null()) << sql;
        EXPECT_EQ(rs->field("x").text(), "") << sql;
    }
}

TEST(DataAccessRecordset, SearchPatternsTakeWildcardsAndApostrophes) {
    TempDir dir;
    cf::CatalogueBuilder b;
    b.programme(1, "abc", 1, "", 0, "x").programme(2, "a_c", 1, "", 0, "x").programme(3, "a'c", 1, "", 0, "x");
    b.programme(4, "axxc", 1, "", 0, "a'c player").programme(5, std::monostate{}, 1, "").programme(6, "100%", 1, "");
    b.write(dir.path() / catalogue::catalogue_file_name);
    SqlcipherConnection connection;
    connection.open(catalogue_string(dir.path()), "", "", -1);
    auto ids = [&](const std::string& text) {
        auto rs = run(connection, catalogue::search_query(text));
        std::string out = std::to_string(rs->record_count()) + ":";
        for (const auto& id : rest_of_column(*rs, "id")) out += " " + id;
        return out;
    };
    EXPECT_EQ(ids("a_c"), "4: 4 3 2 1");  // "_" is any one character
    EXPECT_EQ(ids("a%c"), "4: 4 3 2 1");  // "%" any run of them
    EXPECT_EQ(ids("a'c"), "2: 4 3");      // the apostrophe is a plain character
    EXPECT_EQ(ids(""), "5: 6 4 3 2 1");   // everything with a title or player text
    EXPECT_EQ(ids("ABC"), "1: 1");
}

}  // namespace
}  // namespace qinghe::test
