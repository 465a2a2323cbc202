#pragma once

#include "platform/base/int16.h"
#include "platform/schema/catalogue_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qinghe::catalogue {

// The connection string for the catalogue tavik.dll in the executable's
// directory app_path (given without a trailing separator). The data source
// is quoted only when a directory's name would otherwise not read back
// whole (a ";", a leading quote or blank), so any name stays one value.
std::string connection_string(const std::string& app_path);

// A category page's programmes; its first page's statement asks for one
// more, to know whether a next page follows.
inline constexpr int page_size = 50;
// The search lists at most this many programmes.
inline constexpr int max_search_results = 50;

// The seven statements the program runs, word for word.
std::string ad_query();
std::string category_query();
std::string first_page_query(platform::Int16 lb_id);
std::string later_page_query(platform::Int16 lb_id);
// The programme id is the id field of a node key, spliced in unchanged.
std::string programme_query(const std::string& id);
std::string play_query(const std::string& id);
// The search text goes into both patterns as a quoted literal: every "'" is
// doubled, so a title with an apostrophe can be searched for. "%" and "_"
// stay wildcards.
std::string search_query(const std::string& search_text);

// The search query over the given rows of t1 only (by rowid): the same
// condition, order and limit, with the rows joined by "and rowid in (...)".
std::string narrowed_search_query(const std::string& search_text, const std::vector<std::int64_t>& rowids);
// What the search index reads: every programme's rowid, tit and player, in
// the order of the search results. tit and player are read as the text the
// search's comparison sees (a real number, say, as the engine writes it).
std::string search_index_query();

}  // namespace qinghe::catalogue
