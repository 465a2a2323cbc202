#pragma once

#include "platform/background_work.h"
#include "platform/browser.h"
#include "platform/data_access.h"
#include "platform/fixed_window_size.h"
#include "platform/form_events.h"
#include "platform/process.h"
#include "platform/ticker_labels.h"
#include "platform/timer.h"
#include "platform/tree_view.h"
#include "platform/window.h"
#include "search/searcher.h"
#include "ticker/ad_list.h"
#include "tree/category_roots.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qinghe::app {

inline constexpr std::string_view welcome_text = "欢迎收看青禾网络电视";

// The window's controls and process facilities, as the platform provides
// them, and how to make the catalogue connection.
struct FormPlatform {
    std::function<std::unique_ptr<platform::Connection>()> make_connection;
    platform::Window& window;
    platform::TreeView& tv1;
    platform::Browser& web1;
    platform::TickerLabels& label3;
    platform::Timer& timer1;
    platform::Process& process;
    // Where searches run; null runs them on the window's thread.
    platform::BackgroundWork* search_worker;
    // Where the search index is built once the tree is filled; null (or
    // no search worker) builds none, and every search scans.
    platform::BackgroundWork* index_worker = nullptr;
};

// The main window Form1: it owns the run-time state (the catalogue
// connection, the fixed window size, the ad list) and handles every event.
// No handler lets an error escape: each runs its steps under skip-on-error.
class Form1 final : public platform::FormEvents {
public:
    explicit Form1(FormPlatform platform);

    enum class LoadResult { running, another_instance_running };
    // Start-up. When another instance is running, nothing is opened or
    // shown and the caller ends the process at once.
    LoadResult Form_Load();

    void Form_Unload() override;
    void Form_Resize() override;
    void Timer1_Timer() override;
    void Timer2_Timer() override;
    void Tv1_Expand(const std::string& key) override;
    void Tv1_NodeClick(const std::string& key) override;
    void Command1_Click() override;
    void Label3_Click(int index) override;

    // Window state, for the adapters and tests.
    const platform::FixedWindowSize& fixed_size() const { return fixed_size_; }
    const ticker::AdList& ad_list() const { return ad_list_; }
    // The catalogue connection, created the first time it is needed.
    platform::Connection& connection();

private:
    FormPlatform p_;
    std::unique_ptr<platform::Connection> connection_;
    // The executable's directory as start-up found it, for the search
    // worker's own connection.
    std::string app_path_;
    platform::FixedWindowSize fixed_size_;
    ticker::AdList ad_list_;
    // Searches on the worker, when there is one.
    std::optional<search::Searcher> searcher_;
    // The start-up fill while its categories go in, a tick's worth at a time;
    // it closes its query before the connection goes.
    std::unique_ptr<tree::CategoryFill> category_fill_;
};

}  // namespace qinghe::app
