#pragma once

#include "platform/qt/qt_background_work.h"
#include "platform/sqlcipher/sqlcipher_connection.h"

#include <QCoreApplication>

#include <cstddef>
#include <memory>
#include <string>

// What the search benchmarks share: the texts they look for in the
// 1,000,000-programme catalogue and the worker the window searches on.
namespace qinghe::bench {

// "故事" ends one title in forty of the generated ones, "城市之光 第2部" is
// the whole title of about ten, "王" is in most player texts and "长安%密码"
// matches a few hundred titles.
inline const std::string search_texts[] = {"故事", "zqxjvw", "", "城市之光 第2部", "王", "长安%密码"};
inline constexpr std::size_t common_word = 0;

// A worker as the window makes one: its connection opens the catalogue on
// the first search.
inline std::unique_ptr<platform::qt::QtBackgroundWork> make_search_worker() {
    return std::make_unique<platform::qt::QtBackgroundWork>([] {
        return std::make_unique<platform::sqlcipher::SqlcipherConnection>(
            std::string(), platform::sqlcipher::default_statement_limit, false);
    });
}

// Runs the event loop until done() holds.
template <class Done>
void wait_for(Done&& done) {
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace qinghe::bench
