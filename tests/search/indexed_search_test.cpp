// The search answered from the index beside the plain statement.
#include "catalogue/queries.h"
#include "platform/schema/catalogue_file.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "search/search_index.h"
#include "support/temp_dir.h"
#include "tools/catalogue_files/catalogue_builder.h"
#include "tools/catalogue_files/generator_words.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <span>

namespace qinghe::test {
namespace {

namespace words = catalogue_files::words;
using catalogue_files::Cell;
using namespace std::string_literals;

// Pieces of titles and player texts: the generator's words, ASCII words
// in mixed case, and bytes the engine reads in its own way (malformed and
// overlong sequences, lone continuation bytes, U+0080, U+FFFD, a NUL).
const std::vector<std::string> odd_pieces = {"News",
                                             "nEWS",
                                             "CCTV",
                                             "cctv",
                                             "a_b",
                                             "50%",
                                             "it's",
                                             " ",
                                             "\xff",
                                             "\xc3",
                                             "\xe4\xb8",
                                             "\x80",
                                             "\xc0\xaf",
                                             "\xc2\x80",
                                             "\xef\xbf\xbd",
                                             "\xed\xa0\x80",
                                             "\xf8\x88\x80\x80\x80",
                                             "ab\0cd"s,
                                             "\xe4\x80\x80x"};

class Pieces {
public:
    explicit Pieces(std::uint32_t seed) : random_(seed) {
        for (std::span<const std::string_view> list :
             {std::span<const std::string_view>(words::title_heads),
              std::span<const std::string_view>(words::title_tails), std::span<const std::string_view>(words::surnames),
              std::span<const std::string_view>(words::given_names),
              std::span<const std::string_view>(words::classic_titles)})
            for (std::string_view w : list) words_.emplace_back(w);
    }
    std::string piece() {
        if (below(5) == 0) return odd_pieces[below(odd_pieces.size())];
        return words_[below(words_.size())];
    }
    std::string text(std::size_t most) {
        std::string out;
        for (std::size_t n = below(most) + 1; n > 0; --n) out += piece();
        return out;
    }
    // A search text: part of a text, cut anywhere (even inside a
    // character), with wildcards, case and odd bytes mixed in.
    std::string search_text() {
        const std::string source = text(2);
        const std::size_t from = below(source.size() + 1);
        std::string out = source.substr(from, below(10));
        for (std::size_t n = below(3); n > 0; --n) {
            static const std::string inserts[] = {"%", "_", "'", "A", "\x80", "\xc3"};
            out.insert(below(out.size() + 1), inserts[below(std::size(inserts))]);
        }
        for (char& c : out)
            if (c >= 'a' && c <= 'z' && below(2) == 0) c = static_cast<char>(c - 'a' + 'A');
        return out;
    }
    std::size_t below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }

private:
    std::mt19937 random_;
    std::vector<std::string> words_;
};

struct Listed {
    long count;
    std::vector<std::optional<std::string>> ids, titles;
    bool operator==(const Listed&) const = default;
};

void PrintTo(const Listed& l, std::ostream* os) {
    *os << l.count << " rows:";
    for (const auto& id : l.ids) *os << " " << id.value_or("-");
}

// The text's bytes, each in hexadecimal.
std::string hex(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) out += "0123456789abcdef"[c >> 4] + std::string(1, "0123456789abcdef"[c & 15]);
    return out;
}

Listed listed(const search::SearchResult& r) {
    Listed out{r.count, {}, {}};
    for (const auto& row : r.rows) {
        out.ids.push_back(row.id);
        out.titles.push_back(row.title);
    }
    return out;
}

class IndexedSearch : public testing::Test {
protected:
    void SetUp() override {
        Pieces pieces(7);
        std::vector<std::int64_t> ids(3000);
        std::iota(ids.begin(), ids.end(), 1);
        std::shuffle(ids.begin(), ids.end(), std::mt19937(3));  // rowid order is not id order
        catalogue_files::CatalogueBuilder c;
        c.category(1, "电影", 1, 1);
        for (const std::int64_t id : ids) {
            const auto cell = [&](std::size_t most) -> Cell {
                const std::size_t kind = pieces.below(20);
                if (kind == 0) return std::monostate{};
                if (kind == 1) return static_cast<std::int64_t>(pieces.below(100));
                if (kind == 2) return static_cast<double>(pieces.below(100)) / 4;
                return pieces.text(most);
            };
            c.programme(id, cell(3), 1, "", 0, cell(4));
        }
        c.write(dir_.path() / catalogue::catalogue_file_name);
        catalogue::open_catalogue(connection_, dir_.path().string());
    }

    TempDir dir_;
    platform::sqlcipher::SqlcipherConnection connection_;
};

TEST_F(IndexedSearch, GivesTheRowsOfThePlainStatementForThousandsOfTexts) {
    const std::shared_ptr<const search::SearchIndex> index = search::build_search_index(connection_);
    ASSERT_NE(index, nullptr);
    ASSERT_EQ(index->text.rows(), 3000u);
    Pieces pieces(11);
    int narrowed = 0;
    constexpr int texts = 2000;
    for (int i = 0; i < texts; ++i) {
        const std::string text = pieces.search_text();
        const std::optional<search::SearchResult> indexed = search::run_indexed_search(connection_, *index, text);
        if (!indexed) continue;
        ++narrowed;
        EXPECT_EQ(listed(*indexed), listed(search::run_search(connection_, text))) << "search text: " << hex(text);
    }
    // Only texts without a character to look for (empty ones among them)
    // go to the scan.
    EXPECT_GT(narrowed, texts * 3 / 4);
}

TEST_F(IndexedSearch, LeavesTextsWithoutACharacterToLookForToTheStatement) {
    const std::shared_ptr<const search::SearchIndex> index = search::build_search_index(connection_);
    ASSERT_NE(index, nullptr);
    for (const std::string& text : {""s, "%"s, "_"s, "%_%"s, "\x80"s, "a\0b"s, std::string(2000, 'a')})
        EXPECT_FALSE(search::run_indexed_search(connection_, *index, text)) << "search text: " << text;
}

}  // namespace
}  // namespace qinghe::test
