#pragma once

#include "platform/data_access.h"
#include "search/search.h"
#include "search/text_index.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qinghe::search {

// The programmes' titles and player texts indexed in memory, so that a
// search looks at the few rows that can match instead of every row.
struct SearchIndex {
    // The catalogue file it was read from, as Connection::file_version
    // gave it before the read.
    std::string file_version;
    // Row n of the text index is the programme with this rowid; the rows
    // run in the order of the search results, highest id first. A
    // catalogue with a rowid outside 0..2^32-1 is not indexed.
    std::vector<std::uint32_t> rowids;
    TextIndex text;
};

// Reads every programme's rowid, title and player text in one statement
// and indexes them. nullptr when the statement fails or is stopped, or the
// file's state cannot be told: the searches then scan.
std::shared_ptr<const SearchIndex> build_search_index(platform::Connection& connection);

// The search over the rows the index leaves: the search query itself,
// narrowed to those rows, decides which match, in batches taken highest id
// first until fifty rows are found. The same rows, order and count as
// run_search gives. nullopt when the index cannot narrow the text, when too
// many rows would have to be looked at, or when a statement fails: the
// caller then scans, and the plain statement decides.
std::optional<SearchResult> run_indexed_search(platform::Connection& connection, const SearchIndex& index,
                                               const std::string& search_text);

}  // namespace qinghe::search
