#include "data_access_support.h"
#include "platform/schema/catalogue_file.h"

#include "platform/base/error.h"

#include <functional>
#include <random>

namespace qinghe::test {
namespace {

using platform::PlatformError;
namespace fs = std::filesystem;

void write_bytes(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary);
    out << bytes;
}

std::string random_bytes() {
    std::mt19937 random(7);
    std::string bytes(8192, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// Opening must fail, leave the connection closed and every file as it was.
void expect_open_fails(const fs::path& dir, const std::string& connection_string) {
    const DirSnapshot before = DirSnapshot::of(dir);
    SqlcipherConnection connection;
    EXPECT_THROW(connection.open(connection_string, "", "", -1), PlatformError) << connection_string;
    EXPECT_FALSE(connection.is_open());
    EXPECT_THROW(run(connection, "select * from n"), PlatformError);
    EXPECT_EQ(DirSnapshot::of(dir), before);
}

TEST(DataAccessConnection, OpensAndReadsTheCatalogueWithoutChangingAnyFile) {
    TempDir dir;
    write_numbers(dir.path() / catalogue::catalogue_file_name, 3);
    const DirSnapshot before = DirSnapshot::of(dir.path());
    {
        SqlcipherConnection connection;
        connection.open(catalogue_string(dir.path()), "", "", -1);
        EXPECT_EQ(rest_of_column(*run(connection, "select v from n order by v"), "v"), numbers(1, 3));
    }
    EXPECT_EQ(DirSnapshot::of(dir.path()), before);
}

TEST(DataAccessConnection, AGivenCatalogueFileTakesThePlaceOfTheOneBesideTheProgram) {
    TempDir program;
    TempDir elsewhere;
    write_numbers(program.path() / catalogue::catalogue_file_name, 3);
    write_numbers(elsewhere.path() / "mine.dll", 5);
    const std::string mine = (elsewhere.path() / "mine.dll").string();
    {
        SqlcipherConnection connection(program.path().string(), platform::sqlcipher::default_statement_limit, true,
                                       mine);
        connection.open(catalogue_string(program.path()), "", "", -1);
        EXPECT_EQ(rest_of_column(*run(connection, "select v from n order by v"), "v"), numbers(1, 5));
    }
    // Another data source is opened as it names itself: elsewhere holds no tavik.dll.
    {
        SqlcipherConnection connection(program.path().string(), platform::sqlcipher::default_statement_limit, true,
                                       mine);
        EXPECT_THROW(connection.open(catalogue_string(elsewhere.path()), "", "", -1), PlatformError);
    }
    SqlcipherConnection missing(program.path().string(), platform::sqlcipher::default_statement_limit, true,
                                mine + ".gone");
    try {
        missing.open(catalogue_string(program.path()), "", "", -1);
        ADD_FAILURE() << "opened";
    } catch (const PlatformError& e) {
        EXPECT_EQ(std::string(e.what()), "in its place, --catalogue " + mine + ".gone: the file does not exist");
    }
    EXPECT_FALSE(missing.is_open());
}

TEST(DataAccessConnection, FilesThatAreNoCatalogueFailToOpen) {
    const std::vector<std::pair<const char*, std::function<void(const fs::path&)>>> cases = {
        {"wrong password", [](const fs::path& f) { write_numbers(f, 3, "another"); }},
        {"missing file", [](const fs::path&) {}},
        {"empty file", [](const fs::path& f) { write_bytes(f, ""); }},
        {"unencrypted database", [](const fs::path& f) { write_numbers(f, 3, ""); }},
        {"random bytes", [](const fs::path& f) { write_bytes(f, random_bytes()); }},
        {"keyed database without tables", [](const fs::path& f) { cf::write_catalogue(f, {}); }},
        {"directory", [](const fs::path& f) { fs::create_directory(f); }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        make(dir.path() / catalogue::catalogue_file_name);
        expect_open_fails(dir.path(), catalogue_string(dir.path()));
    }
}

TEST(DataAccessConnection, TheStringMustNameTheJetProviderAndASource) {
    TempDir dir;
    write_numbers(dir.path() / catalogue::catalogue_file_name, 3);
    const std::string source = "Data Source=" + dir.path().string() + "\\" + catalogue::catalogue_file_name + ";";
    const std::string key = std::string("Jet OLEDB:Database Password=") + catalogue::database_password;
    expect_open_fails(dir.path(), "Provider=SQLOLEDB;" + source + key);
    expect_open_fails(dir.path(), source + key);
    expect_open_fails(dir.path(), "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=;" + key);
    expect_open_fails(dir.path(), "Provider=Microsoft.Jet.OLEDB.4.0;" + source + key + ";broken");
    SqlcipherConnection connection;
    connection.open("provider=microsoft.jet.oledb.4.0;DATA SOURCE=" +
                        (dir.path() / catalogue::catalogue_file_name).string() + ";" + key,
                    "", "", -1);
    EXPECT_TRUE(connection.is_open());
}

TEST(DataAccessConnection, APasswordWithQuotesAndSeparatorsIsUsedExactly) {
    TempDir dir;
    write_numbers(dir.path() / catalogue::catalogue_file_name, 2, "it's; \"x\"");
    const std::string base = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir.path().string() + "\\tavik.dll;";
    expect_open_fails(dir.path(), base + "Jet OLEDB:Database Password=it's");
    SqlcipherConnection connection;
    connection.open(base + "Jet OLEDB:Database Password='it''s; \"x\"'", "", "", -1);
    EXPECT_EQ(run(connection, "select count(*) as c from n")->field("c").text(), "2");
}

TEST(DataAccessConnection, OpenAndCloseFollowTheConnectionState) {
    TempDir dir;
    write_numbers(dir.path() / catalogue::catalogue_file_name, 1);
    SqlcipherConnection connection;
    EXPECT_THROW(connection.close(), PlatformError);
    connection.open(catalogue_string(dir.path()), "", "", -1);
    EXPECT_THROW(connection.open(catalogue_string(dir.path()), "", "", -1), PlatformError);
    EXPECT_TRUE(connection.is_open());
    auto rs = run(connection, "select v from n");
    connection.close();
    EXPECT_THROW(connection.close(), PlatformError);
    EXPECT_THROW(run(connection, "select v from n"), PlatformError);
    // Its recordsets closed with it.
    EXPECT_THROW(rs->field("v"), PlatformError);
    EXPECT_THROW(rs->close(), PlatformError);
    connection.open(catalogue_string(dir.path()), "", "", -1);
    EXPECT_EQ(run(connection, "select v from n")->field("v").text(), "1");
}

TEST(DataAccessConnection, OnlySingleReadingStatementsRun) {
    TempDir dir;
    write_numbers(dir.path() / catalogue::catalogue_file_name, 5);
    const DirSnapshot before = DirSnapshot::of(dir.path());
    {
        SqlcipherConnection connection;
        connection.open(catalogue_string(dir.path()), "", "", -1);
        // Rejected ones leave the connection as it was; SQLCipher would
        // otherwise rekey it while merely compiling a key pragma.
        for (const char* sql : {"select v from n; select v from n", "select v from n;delete from n", "selec v from n",
                                "select * from missing", "", " ; ", "select * from n where v='unterminated",
                                "delete from n", "create table x(a)", "attach 'other.db' as other", "begin", "vacuum",
                                "pragma key='other'", "pragma cipher_page_size=4096", "pragma query_only=0",
                                "pragma journal_mode=wal", "pragma table_info(n)"}) {
            EXPECT_THROW(run(connection, sql), PlatformError) << sql;
            EXPECT_EQ(run(connection, "select count(*) as c from n;")->field("c").text(), "5") << "after " << sql;
        }
        EXPECT_THROW(run(connection, std::string("select v from n\0;select 1", 25)), PlatformError);
    }
    EXPECT_EQ(DirSnapshot::of(dir.path()), before);
}

TEST(DataAccessConnection, ACategoryWalkReadsPageQueriesInsideIt) {
    TempDir dir;
    cf::CatalogueBuilder b;
    b.category(1, "电影", 10, 2).category(2, "电视剧", 20, 1).programmes(1, 3).programmes(2, 2, 100);
    b.write(dir.path() / catalogue::catalogue_file_name);
    SqlcipherConnection connection;
    connection.open(catalogue_string(dir.path()), "", "", -1);
    auto categories = run(connection, catalogue::category_query());
    std::vector<std::string> seen;
    for (; !categories->eof(); categories->move_next()) {
        auto page = run(connection, catalogue::first_page_query(categories->field("lb_id").to_int16()));
        seen.push_back(categories->field("lb").text() + ":" + std::to_string(page->record_count()) + ":" +
                       page->field("id").text());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"电视剧:2:101", "电影:3:3"}));
}

}  // namespace
}  // namespace qinghe::test
