#pragma once

#include "app/form1.h"
#include "platform/qt/qt_background_work.h"
#include "platform/qt/qt_form.h"
#include "platform/schema/catalogue_file.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "playback/node_activation.h"
#include "support/qt/named_child.h"
#include "support/qt/recording_doubles.h"
#include "support/temp_dir.h"
#include "tools/catalogue_files/catalogue_builder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qinghe::test {

// The window's caption while a video plays: the title, then what plays.
inline std::string playing_caption(const std::string& what) {
    return std::string(platform::application_title) + std::string(playback::playing_text) + what;
}

// The whole window as the program builds it, on the offscreen platform: the
// real Qt window, tree and labels, the real SQLCipher connection on a
// tavik.dll in a temporary "executable directory", and recording doubles for
// the browser and the process starter.
class FormFixture {
public:
    // Where the search button runs its statement; indexed: on the worker,
    // with the search index built once the tree is filled.
    enum class SearchOn { window_thread, worker, indexed };

    // Without a catalogue file.
    FormFixture();
    explicit FormFixture(const catalogue_files::CatalogueBuilder& catalogue);
    // Searches on a real background worker; every connection stops a
    // statement after statement_limit.
    FormFixture(const catalogue_files::CatalogueBuilder& catalogue, SearchOn search_on,
                std::chrono::milliseconds statement_limit = platform::sqlcipher::default_statement_limit);
    ~FormFixture();

    // Form_Load, then the start-up timer's tick that fills the tree.
    void start();

    app::Form1& form() { return *form_; }
    platform::qt::QtForm& window() { return *window_; }
    platform::qt::QtTreeView& tree() { return window_->tree(); }
    platform::qt::QtTickerLabels& labels() { return window_->labels(); }
    // The search box Text1 and button Command1, found by their names.
    QLineEdit& text1() { return named_child<QLineEdit>(*window_, "Text1"); }
    QPushButton& command1() { return named_child<QPushButton>(*window_, "Command1"); }
    // Types the text into Text1 and clicks Command1.
    void search_for(const std::string& text) {
        text1().setText(QString::fromStdString(text));
        command1().click();
    }
    RecordingBrowser& browser() { return browser_; }
    RecordingProcess& process() { return *process_; }
    const TempDir& dir() const { return dir_; }
    // The catalogue file in the executable directory.
    std::filesystem::path catalogue_file() const { return dir_.path() / catalogue::catalogue_file_name; }
    // How many catalogue connections the window has made (the workers'
    // own not counted).
    int connections_made() const { return connections_made_; }
    // While set, the window's connection reports its catalogue as loading.
    void set_catalogue_loading(bool loading) { catalogue_loading_ = loading; }
    // How many search index builds have handed their index to the window.
    int index_builds() const { return index_worker_ ? index_worker_->finished() : 0; }

    // Keys and texts of a node's children, in order (walking child/next).
    std::vector<std::string> child_keys(const std::string& key) const;
    std::vector<std::string> child_texts(const std::string& key) const;
    // Keys of the top-level nodes, in order.
    std::vector<std::string> root_keys() const;
    // Number of nodes in the whole tree.
    int node_count() const;
    // Runs the event loop until condition holds or ten seconds have gone;
    // returns whether it holds.
    static bool wait_until(const std::function<bool()>& condition);

private:
    void build(SearchOn search_on, std::chrono::milliseconds statement_limit);

    TempDir dir_;
    RecordingBrowser browser_;
    std::unique_ptr<RecordingProcess> process_;
    std::unique_ptr<platform::qt::QtForm> window_;
    std::unique_ptr<platform::qt::QtBackgroundWork> worker_;
    std::unique_ptr<CountedWork> index_worker_;
    std::unique_ptr<app::Form1> form_;
    int connections_made_ = 0;
    bool catalogue_loading_ = false;
};

}  // namespace qinghe::test
