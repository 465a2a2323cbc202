#include "app/form1.h"

#include "app/form_resize.h"
#include "catalogue/catalogue_opening.h"
#include "platform/base/int16.h"
#include "platform/base/skip_on_error.h"
#include "playback/node_activation.h"
#include "search/search.h"
#include "ticker/ad_ticker.h"
#include "tree/category_roots.h"
#include "tree/node_expansion.h"

#include <utility>

namespace qinghe::app {

using platform::try_step;

Form1::Form1(FormPlatform platform) : p_(std::move(platform)) {
    if (p_.search_worker) searcher_.emplace(*p_.search_worker, p_.index_worker);
}

platform::Connection& Form1::connection() {
    if (!connection_) connection_ = p_.make_connection();
    return *connection_;
}

Form1::LoadResult Form1::Form_Load() {
    bool another = false;
    try_step([&] { another = p_.process.previous_instance(); });
    if (another) return LoadResult::another_instance_running;

    fixed_size_ = platform::FixedWindowSize{};  // the start-up size
    try_step([&] {
        app_path_ = p_.process.app_path();
        catalogue::open_and_check_catalogue(connection(), app_path_);
    });
    try_step([&] { p_.web1.navigate("about: blank"); });
    try_step([&] { p_.web1.document_open(); });
    try_step([&] { p_.web1.document_write(std::string(welcome_text)); });
    try_step([&] { p_.web1.document_close(); });
    try_step([&] { p_.web1.set_silent(true); });
    try_step([&] { ticker::build_ticker(connection(), p_.label3, ad_list_); });
    return LoadResult::running;
}

void Form1::Form_Unload() {
    // A search or index build still running is stopped, not waited for.
    if (searcher_) searcher_->stop();
    // A fill still going closes its query first.
    category_fill_.reset();
    // A connection that never opened has nothing to close.
    if (connection_ && connection_->is_open()) try_step([&] { connection_->close(); });
    connection_.reset();
}

void Form1::Form_Resize() {
    try_step([&] { form_resize(p_.window, fixed_size_); });
}

void Form1::Timer1_Timer() {
    // While the catalogue's rows are still being read, filling the tree
    // would hold the window until they are in: the timer stays on and the
    // fill waits for a later tick.
    bool loading = false;
    try_step([&] { loading = connection_ && connection_->catalogue_loading(); });
    if (loading) return;
    if (!category_fill_) try_step([&] { category_fill_ = std::make_unique<tree::CategoryFill>(connection(), p_.tv1); });
    // A catalogue of many categories fills over several ticks, so the
    // window paints the first ones at once.
    bool filled = true;
    if (category_fill_)
        try_step([&] { filled = category_fill_->add(connection(), p_.tv1, p_.timer1, tree::categories_per_tick); });
    else
        try_step([&] { p_.timer1.set_enabled(false); });
    if (!filled) return;
    category_fill_.reset();
    // The tree is filled: searches get their index.
    if (searcher_ && connection_ && connection_->is_open()) try_step([&] { searcher_->build_index(app_path_); });
}

void Form1::Timer2_Timer() {
    try_step([&] { ticker::tick(p_.label3, ad_list_); });
}

void Form1::Tv1_Expand(const std::string& key) {
    try_step([&] { tree::expand_programme(connection(), p_.tv1, key); });
}

void Form1::Tv1_NodeClick(const std::string& key) {
    try_step([&] { playback::node_click({connection(), p_.tv1, p_.web1, p_.window, p_.process, fixed_size_}, key); });
}

void Form1::Command1_Click() {
    std::string text;
    try_step([&] { text = p_.window.search_text(); });
    // A catalogue that did not open at start-up stays closed for the whole
    // run: the search then fails at once, on the window's thread.
    if (searcher_ && connection_ && connection_->is_open())
        try_step([&] { searcher_->start_search(p_.tv1, app_path_, text); });
    else
        try_step([&] { search::search_click(connection(), p_.tv1, text); });
}

void Form1::Label3_Click(int index) {
    try_step([&] { ticker::click(p_.process, ad_list_, platform::to_int16(index)); });
}

}  // namespace qinghe::app
