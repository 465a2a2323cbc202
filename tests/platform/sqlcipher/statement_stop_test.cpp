// The engine's LIKE as the connection runs it, and statements that are
// stopped: by the time limit, or by an interrupt from another thread.
#include "data_access_support.h"
#include "platform/schema/catalogue_file.h"
#include "platform/sqlcipher/like_match.h"
#include "platform/sqlcipher/sqlite_database.h"

#include <random>
#include <thread>

namespace qinghe::test {
namespace {

using platform::sqlcipher::Database;
using platform::sqlcipher::like_match;
using platform::sqlcipher::LikeResult;
using platform::sqlcipher::Statement;

// The engine's own built-in LIKE on a plain connection: 1, 0, or -1 for Null.
class BuiltinLike {
public:
    int matches(const std::string& pattern, const std::string& text, bool with_escape) {
        statement_.rewind();
        statement_.bind_text(1, pattern);
        statement_.bind_text(2, text);
        EXPECT_TRUE(statement_.step());
        const int column = with_escape ? 1 : 0;
        return statement_.type(column) == Statement::Type::null ? -1 : static_cast<int>(statement_.integer(column));
    }

private:
    Database db_{":memory:", Database::Access::read_write_create};
    Statement statement_ = db_.prepare("select ?2 like ?1, ?2 like ?1 escape '\\'");
};

bool ours(const std::string& pattern, const std::string& text, std::uint32_t escape) {
    const auto* p = reinterpret_cast<const unsigned char*>(pattern.c_str());
    const auto* t = reinterpret_cast<const unsigned char*>(text.c_str());
    return like_match(p, t, escape, {}) == LikeResult::match;
}

TEST(StatementStop, LikeMatchesExactlyWhereTheEnginesBuiltInLikeMatches) {
    // Short random patterns and texts from each set of pieces: the built-in
    // comparison is cheap at this size.
    const struct {
        const char* what;
        std::vector<std::string> pieces;
    } sets[] = {
        {"letters of both cases, the wildcards, the escape, a two-byte and a three-byte character and malformed bytes",
         {"a", "A", "b", "%", "_", "\\", "é", "É", "中", "\xff", "\x80"}},
        // Characters above 0x7f, and byte runs that read as them or break
        // them: lone lead and continuation bytes, a character cut short, an
        // overlong form of U+0085, a run of continuation bytes, a surrogate
        // and the replacement character written out.
        {"awkward byte sequences",
         {"%", "%", "_", "\\", "a", "中", "\xe4", "\xb8", "\xad", "\xe4\xb8", "\xc2\x85", "\x85", "\xe0\x82\x85",
          "\x80\x80\x85", "\xed\xa0\x80", "\xef\xbf\xbd", "\xf0\x9f\x98\x80", "\xc3"}},
    };
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> length(0, 7);
    BuiltinLike builtin;
    for (const auto& set : sets) {
        std::uniform_int_distribution<std::size_t> piece(0, set.pieces.size() - 1);
        const auto make = [&] {
            std::string s;
            for (int n = length(random); n > 0; --n) s += set.pieces[piece(random)];
            return s;
        };
        for (int i = 0; i < 20000; ++i) {
            const std::string pattern = make();
            const std::string text = make();
            for (const bool with_escape : {false, true}) {
                ASSERT_EQ(ours(pattern, text, with_escape ? '\\' : 0), builtin.matches(pattern, text, with_escape) == 1)
                    << set.what << ": pattern '" << pattern << "' text '" << text << "' escape " << with_escape;
            }
        }
    }
}

TEST(StatementStop, APatternThatBacktracksWithoutEndIsAnsweredAtOnceOrStopped) {
    const std::string pattern = "%%a%a%a%a%a%a%a%a%a%a%b%";
    EXPECT_FALSE(ours(pattern, std::string(60, 'a'), 0));
    EXPECT_TRUE(ours(pattern, std::string(60, 'a') + "b", 0));
    // A comparison asked to stop ends with "stopped", whether the character
    // after "%" is a single byte or several.
    for (const std::string character : {"a", "中"}) {
        std::string long_text;
        for (int i = 0; i < 1'000'000; ++i) long_text += character;
        const std::string pattern_text = "%" + character + "b";
        const auto* p = reinterpret_cast<const unsigned char*>(pattern_text.c_str());
        int asked = 0;
        EXPECT_EQ(
            like_match(p, reinterpret_cast<const unsigned char*>(long_text.c_str()), 0, [&] { return ++asked > 0; }),
            LikeResult::stopped)
            << character;
    }
}

// Counts for ever; only a stop ends it.
constexpr const char* endless =
    "with recursive c(x) as (select 1 union all select x+1 from c) select x from c where x < 0";

class StatementStopOnCatalogue : public testing::Test {
protected:
    void SetUp() override {
        cf::CatalogueBuilder().category(1, "电影", 0, 1).write(dir.path() / catalogue::catalogue_file_name);
    }
    TempDir dir;
};

TEST_F(StatementStopOnCatalogue, AStatementPastTheTimeLimitFailsAndTheConnectionGoesOn) {
    SqlcipherConnection connection(std::string(), std::chrono::milliseconds(100));
    connection.open(catalogue_string(dir.path()), "", "", -1);
    const auto endless_rows = run(connection, endless);
    EXPECT_THROW(endless_rows->eof(), platform::PlatformError);
    // The limit counts per call: the next statement runs normally.
    EXPECT_EQ(rest_of_column(*run(connection, "select lb_id from vlb"), "lb_id"), numbers(1, 1));
}

TEST_F(StatementStopOnCatalogue, AnInterruptFromAnotherThreadStopsTheStatementUntilResumed) {
    SqlcipherConnection connection;
    connection.open(catalogue_string(dir.path()), "", "", -1);
    const auto endless_rows = run(connection, endless);
    std::thread interrupter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        connection.interrupt();
    });
    EXPECT_THROW(endless_rows->eof(), platform::PlatformError);
    interrupter.join();
    EXPECT_THROW(run(connection, "select lb_id from vlb")->eof(), platform::PlatformError);
    connection.resume();
    EXPECT_EQ(rest_of_column(*run(connection, "select lb_id from vlb"), "lb_id"), numbers(1, 1));
}

}  // namespace
}  // namespace qinghe::test
