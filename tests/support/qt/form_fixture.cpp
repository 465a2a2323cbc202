#include "support/qt/form_fixture.h"

#include "platform/qt/keyed_tree_item.h"
#include "platform/sqlcipher/sqlcipher_connection.h"

#include <QCoreApplication>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <thread>

namespace qinghe::test {

FormFixture::FormFixture() {
    build(SearchOn::window_thread, platform::sqlcipher::default_statement_limit);
}

FormFixture::FormFixture(const catalogue_files::CatalogueBuilder& catalogue)
    : FormFixture(catalogue, SearchOn::window_thread) {}

FormFixture::FormFixture(const catalogue_files::CatalogueBuilder& catalogue, SearchOn search_on,
                         std::chrono::milliseconds statement_limit) {
    build(search_on, statement_limit);
    catalogue.write(catalogue_file());
}

void FormFixture::build(SearchOn search_on, std::chrono::milliseconds statement_limit) {
    process_ = std::make_unique<RecordingProcess>(dir_.path().string());
    // The window adopts the stand-in browser area as its Web1; like the real
    // browser it takes the focus.
    auto* web = new QWidget;
    web->setFocusPolicy(Qt::StrongFocus);
    window_ = std::make_unique<platform::qt::QtForm>(web);
    const auto make_connection = [statement_limit] {
        return std::make_unique<platform::sqlcipher::SqlcipherConnection>(std::string(), statement_limit);
    };
    if (search_on != SearchOn::window_thread)
        worker_ = std::make_unique<platform::qt::QtBackgroundWork>(make_connection);
    if (search_on == SearchOn::indexed)
        index_worker_ =
            std::make_unique<CountedWork>(std::make_unique<platform::qt::QtBackgroundWork>(make_connection));
    const auto make_window_connection = [this, make_connection] {
        ++connections_made_;
        return std::make_unique<LoadingConnection>(make_connection(), catalogue_loading_);
    };
    form_ = std::make_unique<app::Form1>(app::FormPlatform{make_window_connection, *window_, window_->tree(), browser_,
                                                           window_->labels(), window_->timer1(), *process_,
                                                           worker_.get(), index_worker_.get()});
    window_->set_events(form_.get());
}

bool FormFixture::wait_until(const std::function<bool()>& condition) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > give_up) return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

FormFixture::~FormFixture() {
    window_->set_events(nullptr);
    form_->Form_Unload();
}

void FormFixture::start() {
    form_->Form_Load();
    // The window's timer ticks on while a Jet file's rows are still being
    // read; the tick that fills the tree is the first one after they are in.
    wait_until([&] { return !form_->connection().catalogue_loading(); });
    // Then it ticks until the tree is filled, a few categories a tick.
    for (int tick = 0; tick < 10000; ++tick) {
        form_->Timer1_Timer();
        if (!window_->timer1().enabled()) break;
    }
}

std::vector<std::string> FormFixture::child_keys(const std::string& key) const {
    std::vector<std::string> keys;
    auto& tree = window_->tree();
    if (tree.children(key) == 0) return keys;
    for (std::string k = tree.child(key);; k = tree.next(k)) {
        keys.push_back(k);
        if (static_cast<int>(keys.size()) == tree.children(key)) break;
    }
    return keys;
}

std::vector<std::string> FormFixture::child_texts(const std::string& key) const {
    std::vector<std::string> texts;
    for (const std::string& k : child_keys(key)) texts.push_back(window_->tree().text(k));
    return texts;
}

std::vector<std::string> FormFixture::root_keys() const {
    std::vector<std::string> keys;
    QTreeWidget* widget = window_->tree().widget();
    for (int i = 0; i < widget->topLevelItemCount(); ++i)
        keys.push_back(static_cast<platform::qt::KeyedTreeItem*>(widget->topLevelItem(i))->key());
    return keys;
}

int FormFixture::node_count() const {
    int count = 0;
    for (QTreeWidgetItemIterator it(window_->tree().widget()); *it != nullptr; ++it) ++count;
    return count;
}

}  // namespace qinghe::test
