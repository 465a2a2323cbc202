#include "search/searcher.h"

#include "catalogue/queries.h"
#include "platform/base/skip_on_error.h"

#include <utility>

namespace qinghe::search {

using platform::try_step;

Searcher::Searcher(platform::BackgroundWork& search_worker, platform::BackgroundWork* index_worker)
    : search_worker_(search_worker), index_worker_(index_worker) {}

void Searcher::build_index(const std::string& app_path) {
    if (index_worker_ == nullptr || building_) return;
    building_ = true;
    build_started_ = true;
    struct Built {
        std::string version;
        std::shared_ptr<const SearchIndex> index;
    };
    auto built = std::make_shared<Built>();
    index_worker_->run(
        [built, app_path](platform::Connection& connection) {
            built->version = open_current_catalogue(connection, app_path);
            if (!built->version.empty()) built->index = build_search_index(connection);
            if (built->index) built->version = built->index->file_version;
            // The index holds what it needs: the connection's cache goes.
            if (connection.is_open()) try_step([&] { connection.close(); });
        },
        [this, built] {
            building_ = false;
            built_version_ = built->version;
            index_ = built->index;
        });
}

void Searcher::start_search(platform::TreeView& tv1, const std::string& app_path, const std::string& search_text) {
    // The version of the file the search read, for the window's thread.
    auto version = std::make_shared<std::string>();
    start_search_with(
        search_worker_, tv1,
        [version, index = index_, app_path, search_text](platform::Connection& connection) {
            *version = open_current_catalogue(connection, app_path);
            if (index && !version->empty() && index->file_version == *version)
                if (std::optional<SearchResult> found = run_indexed_search(connection, *index, search_text))
                    return std::move(*found);
            return run_search(connection, search_text);
        },
        [this, version, app_path] {
            // The file has changed since the index was read: the index goes,
            // and a new one is built.
            if (build_started_ && !building_ && !version->empty() && *version != built_version_) {
                index_.reset();
                build_index(app_path);
            }
        });
}

void Searcher::stop() noexcept {
    search_worker_.stop();
    if (index_worker_ != nullptr) index_worker_->stop();
    building_ = false;
}

}  // namespace qinghe::search
