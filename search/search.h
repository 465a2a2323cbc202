#pragma once

#include "platform/background_work.h"
#include "platform/data_access.h"
#include "platform/tree_view.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qinghe::search {

// What the search statement gave: the count it reported (0 when it could
// not run) and its rows in order, each with the values that could be read.
struct SearchRow {
    std::optional<std::string> id;
    std::optional<std::string> title;
};
struct SearchResult {
    long count = 0;
    std::vector<SearchRow> rows;
};

// Opens a search statement, takes its count and reads up to
// catalogue::max_search_results rows, as run_search does; ran (when given) tells whether it opened and
// counted.
SearchResult run_statement(const std::function<std::unique_ptr<platform::Recordset>()>& open, bool* ran = nullptr);

// Runs the search statement for search_text and reads up to
// catalogue::max_search_results rows. Never throws: a statement that fails, or is stopped, gives count 0
// and the rows read before it stopped.
SearchResult run_search(platform::Connection& connection, const std::string& search_text);

// Lists a result under the search root: the root's text gives the count,
// each row becomes a numbered programme node with its intro node, and the
// root is opened.
void show_search_result(platform::TreeView& tv1, const SearchResult& result);

// The search button: replaces the search root's children with up to fifty
// programmes whose title or player text contains search_text, highest id
// first. Runs the statement on the window's thread.
void search_click(platform::Connection& connection, platform::TreeView& tv1, const std::string& search_text);

// The search button with the statement on the background worker: the old
// results go at once, and the new ones are listed, exactly as search_click
// lists them, when the rows arrive. A newer search supersedes this one. The
// worker opens its own connection on the catalogue in app_path.
void start_search(platform::BackgroundWork& worker, platform::TreeView& tv1, const std::string& app_path,
                  const std::string& search_text);

// The steps of start_search around the search itself: find runs on the
// worker and gives the rows, which are listed on the window's thread, and
// then `after` (if any) runs there.
void start_search_with(platform::BackgroundWork& worker, platform::TreeView& tv1,
                       std::function<SearchResult(platform::Connection&)> find, std::function<void()> after = {});

// The worker's connection on the catalogue file that is at its path now:
// a connection on a file that has gone or been replaced is closed and
// opened again. Gives the file's version, empty when it is not open.
std::string open_current_catalogue(platform::Connection& connection, const std::string& app_path);

}  // namespace qinghe::search
