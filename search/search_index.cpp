#include "search/search_index.h"

#include "catalogue/queries.h"
#include "catalogue/statements.h"
#include "platform/base/skip_on_error.h"

#include <algorithm>
#include <charconv>

namespace qinghe::search {

namespace {

// Rows checked by the first narrowed statement; each further one checks
// four times as many, up to the largest batch.
constexpr std::size_t first_batch = 64;
constexpr std::size_t largest_batch = 4096;
// Past this many rows checked without fifty matches, the scan is no slower.
constexpr std::size_t most_rows_checked = 40000;
// Longer texts are left to the statement, whose pattern has a length limit.
constexpr std::size_t longest_indexed_text = 1000;

std::optional<std::uint32_t> whole_number(const std::string& text) {
    std::uint32_t n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return n;
}

}  // namespace

std::shared_ptr<const SearchIndex> build_search_index(platform::Connection& connection) {
    auto index = std::make_shared<SearchIndex>();
    index->file_version = connection.file_version();
    if (index->file_version.empty()) return nullptr;
    TextIndex::Builder builder;
    try {
        std::unique_ptr<platform::Recordset> rows = catalogue::open_search_index_query(connection);
        const catalogue::ReleaseOnExit release{rows};
        for (; !rows->eof(); rows->move_next()) {
            const std::optional<std::uint32_t> rowid = whole_number(rows->field("rowid").text());
            if (!rowid) return nullptr;
            index->rowids.push_back(*rowid);
            builder.add_row(rows->field("tit").text(), rows->field("player").text());
        }
    } catch (const platform::PlatformError&) {
        return nullptr;
    }
    index->rowids.shrink_to_fit();
    index->text = std::move(builder).finish();
    return index;
}

std::optional<SearchResult> run_indexed_search(platform::Connection& connection, const SearchIndex& index,
                                               const std::string& search_text) {
    if (search_text.size() > longest_indexed_text) return std::nullopt;
    const std::optional<std::vector<std::uint32_t>> rows = index.text.candidates(search_text);
    if (!rows) return std::nullopt;
    SearchResult result;
    std::size_t batch = first_batch;
    for (std::size_t next = 0;
         next < rows->size() && result.rows.size() < static_cast<std::size_t>(catalogue::max_search_results);) {
        if (next >= most_rows_checked) return std::nullopt;
        const std::size_t end = std::min(rows->size(), next + batch);
        std::vector<std::int64_t> rowids;
        rowids.reserve(end - next);
        for (std::size_t i = next; i < end; ++i) rowids.push_back(index.rowids[(*rows)[i]]);
        bool ran = false;
        SearchResult part =
            run_statement([&] { return catalogue::open_narrowed_search_query(connection, search_text, rowids); }, &ran);
        if (!ran) return std::nullopt;
        for (SearchRow& row : part.rows)
            if (result.rows.size() < static_cast<std::size_t>(catalogue::max_search_results))
                result.rows.push_back(std::move(row));
        next = end;
        batch = std::min(batch * 4, largest_batch);
    }
    result.count = static_cast<long>(result.rows.size());
    return result;
}

}  // namespace qinghe::search
