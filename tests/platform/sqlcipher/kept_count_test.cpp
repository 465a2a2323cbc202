// Row counts a connection keeps between recordsets: each statement's own
// count, renewed as soon as another connection has changed the file.
#include "data_access_support.h"
#include "platform/schema/catalogue_file.h"

#include "tools/catalogue_files/catalogue_database.h"

namespace qinghe::test {
namespace {

using cf::detail::Database;

class KeptCounts : public ::testing::Test {
protected:
    KeptCounts() {
        write_numbers(file(), 10);
        connection_.open(catalogue_string(dir_.path()), "", "", -1);
    }
    std::filesystem::path file() const { return dir_.path() / catalogue::catalogue_file_name; }
    long count(const std::string& sql) { return run(connection_, sql)->record_count(); }

    TempDir dir_;
    SqlcipherConnection connection_;
};

TEST_F(KeptCounts, EachStatementKeepsItsOwnCount) {
    EXPECT_EQ(count("select v from n where v > 2 order by v"), 8);
    EXPECT_EQ(count("select v from n where v > 5 order by v"), 5);
    EXPECT_EQ(count("select v from n where v > 2 order by v"), 8);
    EXPECT_EQ(count("select v from n where v > 5 order by v desc"), 5);
}

TEST_F(KeptCounts, AnotherConnectionsChangesAreCountedAtOnce) {
    const std::string sql = "select v from n where v > 2 order by v";
    EXPECT_EQ(count(sql), 8);
    {
        Database writer =
            cf::detail::open_catalogue(file(), Database::Access::read_write_create, catalogue::database_password);
        writer.exec("insert into n values (11)");
        writer.exec("insert into n values (12)");
        writer.exec("delete from n where v = 3");
        writer.close();
    }
    EXPECT_EQ(count(sql), 9);

    // Pages follow the new count too, through a recordset that counts
    // before it positions, as a page turn does.
    auto rs = run(connection_, sql);
    rs->set_page_size(4);
    EXPECT_EQ(rs->page_count(), 3);
    rs->set_absolute_page(3);
    EXPECT_EQ(rest_of_column(*rs, "v"), (std::vector<std::string>{"12"}));
}

TEST_F(KeptCounts, AReopenedConnectionCountsTheFileAsItIsNow) {
    const std::string sql = "select v from n order by v";
    EXPECT_EQ(count(sql), 10);
    connection_.close();
    write_numbers(file(), 3);
    connection_.open(catalogue_string(dir_.path()), "", "", -1);
    EXPECT_EQ(count(sql), 3);
}

}  // namespace
}  // namespace qinghe::test
