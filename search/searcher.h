#pragma once

#include "platform/background_work.h"
#include "platform/tree_view.h"
#include "search/search_index.h"

#include <memory>
#include <string>

namespace qinghe::search {

// The search button on the background worker, answered from an index of
// the catalogue once one is ready and by the scan until then.
//
// The index is built on a worker of its own, so searches never wait for it
// and never interrupt it. A search that finds the catalogue file changed or
// replaced since the index was read scans, and a new index is built; a
// search never reads a file that has gone. Everything here runs on the
// window's thread; the workers' results come back to it.
class Searcher {
public:
    // index_worker null: no index is ever built, every search scans.
    Searcher(platform::BackgroundWork& search_worker, platform::BackgroundWork* index_worker);

    // Starts building the index of the catalogue in app_path, unless a
    // build already runs.
    void build_index(const std::string& app_path);

    // As start_search: the old results go at once, the new ones are listed
    // when they arrive, a newer search supersedes this one.
    void start_search(platform::TreeView& tv1, const std::string& app_path, const std::string& search_text);

    // Stops both workers; nothing is delivered afterwards.
    void stop() noexcept;

    bool index_ready() const { return index_ != nullptr; }

private:
    platform::BackgroundWork& search_worker_;
    platform::BackgroundWork* index_worker_;
    std::shared_ptr<const SearchIndex> index_;
    // The file version the last build started from, built or not: a build
    // is tried again only when the file has changed since.
    std::string built_version_;
    bool build_started_ = false;
    bool building_ = false;
};

}  // namespace qinghe::search
