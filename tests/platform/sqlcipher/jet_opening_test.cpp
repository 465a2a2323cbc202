// Opening Jet catalogues: the database password as the Jet provider checks
// it, damaged files, and a file changed while it is open.
#include "jet_support.h"

#include "platform/jet/jet_header.h"
#include "platform/sqlcipher/catalogue_cache.h"

#include <chrono>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include <sys/stat.h>

namespace qinghe::test {
namespace {

using platform::PlatformError;
namespace fs = std::filesystem;

std::string jet_string(const fs::path& dir, const std::optional<std::string>& password) {
    std::string text = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir.string() + "\\tavik.dll";
    if (password) text += ";Jet OLEDB:Database Password=" + *password;
    return text;
}

TEST(JetOpening, AStoredPasswordMustBeGivenExactlyAndAFileWithoutOneOpens) {
    struct Case {
        const char* stored;
        std::optional<std::string> given;
        bool opens;
    };
    const Case cases[] = {
        {"3b71d0", "3b71d0", true},      {"another", "3b71d0", false}, {"", "3b71d0", true},
        {"3b71d0", std::nullopt, false}, {"", std::nullopt, true},     {"3b71d0", "3B71D0", false},
        {"3b71d0", "3b71d", false},      {"密码", "密码", true},
    };
    for (const FileFormat format : {FileFormat::jet4, FileFormat::jet3_encoded}) {
        for (const Case& c : cases) {
            if (format == FileFormat::jet3_encoded && std::string(c.stored) == "密码")
                continue;  // not in Jet 3's code page
            SCOPED_TRACE(std::string(format_name(format)) + ": stored \"" + c.stored + "\", given " +
                         (c.given ? "\"" + *c.given + "\"" : "none"));
            TempDir dir;
            write_as(format, dir.path() / catalogue::catalogue_file_name, edges(), c.stored);
            SqlcipherConnection connection;
            if (c.opens) {
                connection.open(jet_string(dir.path(), c.given), "", "", -1);
                EXPECT_EQ(run(connection, catalogue::category_query())->record_count(), 4);
            } else {
                try {
                    connection.open(jet_string(dir.path(), c.given), "", "", -1);
                    ADD_FAILURE() << "opened";
                } catch (const PlatformError& e) {
                    EXPECT_EQ(std::string(e.what()), "wrong password: the Jet file holds another database password");
                }
                EXPECT_FALSE(connection.is_open());
            }
        }
    }
}

// The pages of a Jet 4 file whose first byte (the page type) is type, but
// for the system table's (its definition is page 2; a data page names its
// table's definition at offset 4), so that the damage meets the catalogue's
// own tables.
std::vector<std::size_t> pages_of_type(const std::string& bytes, char type) {
    constexpr std::size_t size = jet::jet4_page_size;
    std::vector<std::size_t> pages;
    for (std::size_t page = 3; (page + 1) * size <= bytes.size(); ++page)
        if (bytes[page * size] == type && (type != '\x01' || bytes[page * size + 4] != '\x02')) pages.push_back(page);
    return pages;
}

void put_u16(std::string& bytes, std::size_t at, std::uint16_t v) {
    bytes[at] = static_cast<char>(v & 0xff);
    bytes[at + 1] = static_cast<char>(v >> 8);
}

void put_u32(std::string& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}

TEST(JetOpening, ADamagedFileFailsToOpenOrFailsItsStatementsButNeverStopsTheProgram) {
    constexpr std::size_t page = jet::jet4_page_size;
    using Damage = std::function<void(std::string&)>;
    const auto on_pages = [](char type, std::function<void(std::string&, std::size_t)> change) {
        return [type, change](std::string& bytes) {
            for (const std::size_t p : pages_of_type(bytes, type)) change(bytes, p * page);
        };
    };
    const auto flipped = [&](unsigned seed, int one_in) {
        return [seed, one_in](std::string& bytes) {
            std::mt19937 random(seed);
            for (const char type : {'\x01', '\x02'})
                for (const std::size_t p : pages_of_type(bytes, type))
                    for (std::size_t i = p * page + 8; i < (p + 1) * page; ++i)
                        if (random() % static_cast<unsigned>(one_in) == 0) bytes[i] = static_cast<char>(random());
        };
    };
    const std::vector<std::tuple<const char*, Damage, bool>> cases{
        // name, damage, whether opening must fail
        {"only page 0", [](std::string& b) { b.resize(page); }, true},
        {"cut to three pages", [](std::string& b) { b.resize(3 * page); }, false},
        {"cut in half", [](std::string& b) { b.resize(b.size() / 2); }, false},
        {"cut inside the last page", [](std::string& b) { b.resize(b.size() - 100); }, false},
        {"the system table's definition overwritten", [](std::string& b) { b.replace(2 * page, page, page, '\xff'); },
         true},
        {"definitions claim 65535 columns",
         on_pages('\x02', [](std::string& b, std::size_t at) { put_u16(b, at + 45, 0xffff); }), false},
        {"definitions claim 2^32-1 rows",
         on_pages('\x02', [](std::string& b, std::size_t at) { put_u32(b, at + 16, 0xffffffff); }), false},
        {"definitions point at pages past the end",
         on_pages('\x02', [](std::string& b, std::size_t at) { put_u32(b, at + 56, 0x00ffffff); }), false},
        {"row offsets past the page",
         on_pages('\x01',
                  [](std::string& b, std::size_t at) {
                      for (std::size_t i = 14; i < 14 + 2 * 40; i += 2) put_u16(b, at + i, 0x1fff);
                  }),
         false},
        {"data pages claim 4000 rows",
         on_pages('\x01', [](std::string& b, std::size_t at) { put_u16(b, at + 12, 4000); }), false},
        {"every 4-byte word of the data pages a page number past the end",
         on_pages('\x01',
                  [](std::string& b, std::size_t at) {
                      for (std::size_t i = at + 16; i + 4 <= at + page; i += 64) put_u32(b, i, 0x00fffff0);
                  }),
         false},
        {"one byte in a hundred", flipped(1, 100), false},
        {"one byte in ten", flipped(2, 10), false},
        {"every byte", flipped(3, 1), false},
    };
    cf::CatalogueData data = edges();
    // A play list long enough for memo pages of its own.
    std::string long_list = "$$土豆";
    for (int i = 0; i < 3000; ++i) long_list += "|v" + std::to_string(i) + "|第" + std::to_string(i) + "集";
    data.tables["t1"].rows.push_back(
        {std::int64_t{5000}, "长", std::monostate{}, std::int64_t{4}, std::int64_t{1}, long_list});
    TempDir source;
    write_as(FileFormat::jet4, source.path() / "good.dll", data);
    std::ifstream in(source.path() / "good.dll", std::ios::binary);
    const std::string good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<Query> queries = queries_for(data);
    for (const auto& [name, damage, must_fail] : cases) {
        SCOPED_TRACE(name);
        std::string bytes = good;
        damage(bytes);
        TempDir dir;
        std::ofstream(dir.path() / catalogue::catalogue_file_name, std::ios::binary) << bytes;
        SqlcipherConnection connection;
        try {
            connection.open(catalogue_string(dir.path()), "", "", -1);
        } catch (const PlatformError&) {
            EXPECT_FALSE(connection.is_open());
            continue;
        }
        EXPECT_FALSE(must_fail) << "opened";
        for (const Query& query : queries)
            answer(connection, query);  // each gives rows or fails  // each gives rows or fails
        // A load that failed is over: the window fills its tree and fails.
        EXPECT_FALSE(connection.catalogue_loading());
    }
}

TEST(JetOpening, TheCatalogueIsLoadingOnlyUntilEveryRowIsIn) {
    for (const FileFormat format : {FileFormat::sqlcipher, FileFormat::jet4}) {
        SCOPED_TRACE(format_name(format));
        TempDir dir;
        write_as(format, dir.path() / catalogue::catalogue_file_name, edges());
        SqlcipherConnection connection;
        EXPECT_FALSE(connection.catalogue_loading());
        connection.open(catalogue_string(dir.path()), "", "", -1);
        if (format == FileFormat::sqlcipher) {
            EXPECT_FALSE(connection.catalogue_loading());
        }
        // A statement on the programmes returns once their rows are in.
        EXPECT_GT(run(connection, "SELECT id FROM t1")->record_count(), 0);
        EXPECT_FALSE(connection.catalogue_loading());
    }
}

TEST(JetOpening, AFileChangedWhileOpenLeavesTheRowsAsLoadedAndTheNextOpenReadsIt) {
    TempDir dir;
    const fs::path file = dir.path() / catalogue::catalogue_file_name;
    write_as(FileFormat::jet4, file, edges());
    SqlcipherConnection first;
    first.open(catalogue_string(dir.path()), "", "", -1);
    SqlcipherConnection second;
    second.open(catalogue_string(dir.path()), "", "", -1);
    EXPECT_EQ(first.file_version(), second.file_version());
    const std::string version = first.file_version();

    cf::CatalogueBuilder other;
    other.category(std::int64_t{9}, "另一个", std::int64_t{0}, std::int64_t{1});
    write_as(FileFormat::jet4, file, other.data());
    EXPECT_EQ(run(first, catalogue::category_query())->record_count(), 4);
    EXPECT_EQ(first.file_version(), version);
    SqlcipherConnection third;
    third.open(catalogue_string(dir.path()), "", "", -1);
    EXPECT_EQ(run(third, catalogue::category_query())->record_count(), 1);
    EXPECT_NE(third.file_version(), version);
}

// The cache of read Jet files, in a directory of the test's own.
class JetCache : public ::testing::Test {
protected:
    JetCache() { use_cache(cache_dir()); }
    ~JetCache() override { ::setenv("QINGHE_CACHE_DIR", "", 1); }

    static void use_cache(const fs::path& dir) { ::setenv("QINGHE_CACHE_DIR", dir.c_str(), 1); }
    fs::path cache_dir() const { return home_.path() / "cache"; }

    // The cache file of the catalogue in dir opened with the password.
    fs::path cache_of(const fs::path& dir, const std::string& password = catalogue::database_password) const {
        struct stat state {};
        EXPECT_EQ(::stat((dir / catalogue::catalogue_file_name).c_str(), &state), 0);
        return cache_dir() / platform::sqlcipher::cache_file_name(state, &password);
    }

    // Every statement's answer; with a cache file named, the connection
    // stays open until it is written (closing earlier stops the writing).
    static std::vector<Answer> answers(const std::string& connection_string, const cf::CatalogueData& data,
                                       const std::optional<fs::path>& written = {}) {
        SqlcipherConnection connection;
        connection.open(connection_string, "", "", -1);
        std::vector<Answer> all;
        for (const Query& query : queries_for(data)) all.push_back(answer(connection, query));
        for (int waited = 0; written && waited < 3000 && !fs::exists(*written); ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_TRUE(!written || fs::exists(*written)) << *written;
        return all;
    }

    static fs::path folder_with(const cf::CatalogueData& data, const TempDir& dir,
                               const std::string& password = catalogue::database_password) {
        write_as(FileFormat::jet4, dir.path() / catalogue::catalogue_file_name, data, password);
        return dir.path();
    }

    static cf::CatalogueData other() {
        cf::CatalogueBuilder b;
        b.category(std::int64_t{1}, "另一个", std::int64_t{2}, std::int64_t{1}).programmes(1, 2, 1).ad("丙@#c.cn");
        return b.data();
    }

    TempDir home_;
};

TEST_F(JetCache, ASecondOpenAnswersFromTheCacheAndABadCacheGivesWayToTheFile) {
    TempDir other_dir;
    const fs::path other_folder = folder_with(other(), other_dir);
    const std::vector<Answer> other_answers =
        answers(catalogue_string(other_folder), edges(), cache_of(other_folder));
    // The other data's cache keyed with another password (its Jet file holds
    // none, so any opens it).
    TempDir unkeyed_dir;
    const fs::path unkeyed = folder_with(other(), unkeyed_dir, "");
    answers(jet_string(unkeyed, "另一个"), other(), cache_of(unkeyed, "另一个"));
    const auto replace_with = [](const fs::path& from) {
        return [from](const fs::path& cache) { fs::copy_file(from, cache, fs::copy_options::overwrite_existing); };
    };
    const auto write_bytes = [](std::string bytes) {
        return [bytes](const fs::path& cache) { std::ofstream(cache, std::ios::binary | std::ios::trunc) << bytes; };
    };
    struct Case {
        const char* name;
        std::function<void(const fs::path& cache)> change;
        bool answers_as_other;
    };
    const Case cases[] = {
        {"the cache as written", [](const fs::path&) {}, false},
        {"the other file's cache in its place", replace_with(cache_of(other_folder)), true},
        {"a cache keyed with another password", replace_with(cache_of(unkeyed, "另一个")), false},
        {"garbage", write_bytes(std::string(8192, '\x5a')), false},
        {"an empty file", write_bytes(""), false},
        {"cut to half", [](const fs::path& cache) { fs::resize_file(cache, fs::file_size(cache) / 2); }, false},
        {"cut inside its last page",
         [](const fs::path& cache) { fs::resize_file(cache, fs::file_size(cache) - 10); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path folder = folder_with(edges(), dir);
        const std::vector<Answer> first = answers(catalogue_string(folder), edges(), cache_of(folder));
        c.change(cache_of(folder));
        EXPECT_EQ(answers(catalogue_string(folder), edges()), c.answers_as_other ? other_answers : first);
    }
}

TEST_F(JetCache, AChangedFileOrAWrongPasswordNeverMeetsTheCache) {
    TempDir dir;
    const fs::path folder = folder_with(edges(), dir);
    answers(catalogue_string(folder), edges(), cache_of(folder));
    try {
        SqlcipherConnection connection;
        connection.open(jet_string(folder, "another"), "", "", -1);
        ADD_FAILURE() << "opened with the wrong password";
    } catch (const PlatformError& e) {
        EXPECT_EQ(std::string(e.what()), "wrong password: the Jet file holds another database password");
    }
    folder_with(other(), dir);
    SqlcipherConnection connection;
    connection.open(catalogue_string(folder), "", "", -1);
    EXPECT_EQ(run(connection, catalogue::category_query())->record_count(), 1);
}

TEST_F(JetCache, OnlyTheMostRecentlyUsedCachesAreKept) {
    std::vector<std::unique_ptr<TempDir>> dirs;
    std::vector<fs::path> caches;
    for (int i = 0; i < 6; ++i) {
        const fs::path folder = folder_with(other(), *dirs.emplace_back(std::make_unique<TempDir>()));
        caches.push_back(cache_of(folder));
        answers(catalogue_string(folder), other(), caches.back());
        // The first file is used again after each of the others.
        if (i > 0) answers(catalogue_string(dirs.front()->path()), other());
    }
    std::vector<bool> kept;
    for (const fs::path& cache : caches) kept.push_back(fs::exists(cache));
    EXPECT_EQ(kept, (std::vector<bool>{true, false, false, true, true, true}));
}

TEST_F(JetCache, ADirectoryThatCannotBeWrittenOrTrustedLeavesTheOpenAsWithoutACache) {
    TempDir dir;
    const fs::path folder = folder_with(edges(), dir);
    ::setenv("QINGHE_CACHE_DIR", "", 1);
    const std::vector<Answer> expected = answers(catalogue_string(folder), edges());
    // Where others may write, even a cache of the right name is not used.
    TempDir other_dir;
    const fs::path other_folder = folder_with(other(), other_dir);
    use_cache(cache_dir());
    answers(catalogue_string(other_folder), other(), cache_of(other_folder));
    const fs::path shared = home_.path() / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all);
    fs::copy_file(cache_of(other_folder), shared / cache_of(folder).filename());
    std::ofstream(home_.path() / "a-file") << "x";
    for (const fs::path& cache : {home_.path() / "a-file" / "cache", shared}) {
        SCOPED_TRACE(cache);
        use_cache(cache);
        for (int open = 0; open < 2; ++open) EXPECT_EQ(answers(catalogue_string(folder), edges()), expected);
    }
}

}  // namespace
}  // namespace qinghe::test
