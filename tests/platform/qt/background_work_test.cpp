// The background worker: work runs on its own connection, done comes back on
// the window's thread, newer work supersedes older, and the worker ends
// cleanly while a statement runs.
#include "catalogue/statements.h"
#include "platform/qt/qt_background_work.h"
#include "platform/schema/catalogue_file.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "support/qt/form_fixture.h"
#include "support/temp_dir.h"
#include "tools/catalogue_files/catalogue_builder.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace qinghe::test {
namespace {

using platform::Connection;
using platform::qt::QtBackgroundWork;

// Counts for ever; only a stop ends it.
constexpr const char* endless =
    "with recursive c(x) as (select 1 union all select x+1 from c) select x from c where x < 0";

class BackgroundWork : public testing::Test {
protected:
    void SetUp() override {
        catalogue_files::CatalogueBuilder()
            .category(1, "电影", 0, 1)
            .write(dir.path() / catalogue::catalogue_file_name);
    }

    std::function<std::unique_ptr<Connection>()> opened_connection() {
        return [this]() -> std::unique_ptr<Connection> {
            auto connection = std::make_unique<platform::sqlcipher::SqlcipherConnection>();
            connection->open(catalogue::connection_string(dir.path().string()), "", "", -1);
            return connection;
        };
    }

    // Work that runs the endless statement; records when it has started and
    // how it ended.
    std::function<void(Connection&)> endless_work() {
        return [this](Connection& connection) {
            started = true;
            try {
                connection.open_recordset(endless, platform::CursorType::keyset, platform::LockType::read_only, -1)
                    ->eof();
            } catch (const platform::PlatformError&) {
                interrupted = true;
            }
        };
    }

    TempDir dir;
    std::atomic<bool> started{false};
    std::atomic<bool> interrupted{false};
};

TEST_F(BackgroundWork, NewerWorkInterruptsTheRunningStatementAndOnlyItsDoneRuns) {
    QtBackgroundWork worker(opened_connection());
    bool first_done = false;
    std::string second_read;
    worker.run(endless_work(), [&] { first_done = true; });
    ASSERT_TRUE(FormFixture::wait_until([&] { return started.load(); }));
    auto rows = std::make_shared<std::string>();
    worker.run(
        [rows](Connection& connection) {
            *rows = connection
                        .open_recordset("select lb from vlb", platform::CursorType::keyset,
                                        platform::LockType::read_only, -1)
                        ->field("lb")
                        .text();
        },
        [&, rows] { second_read = *rows; });
    ASSERT_TRUE(FormFixture::wait_until([&] { return !second_read.empty(); }));
    EXPECT_EQ(second_read, "电影");
    EXPECT_TRUE(interrupted);
    EXPECT_FALSE(first_done);
}

TEST_F(BackgroundWork, DestroyingTheWorkerWhileAStatementRunsStopsItAndDeliversNothing) {
    bool done = false;
    {
        QtBackgroundWork worker(opened_connection());
        worker.run(endless_work(), [&] { done = true; });
        ASSERT_TRUE(FormFixture::wait_until([&] { return started.load(); }));
    }
    EXPECT_TRUE(interrupted);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_FALSE(done);
}

TEST_F(BackgroundWork, StopDropsTheRunningWorksDoneAndLaterWorkStillRuns) {
    QtBackgroundWork worker(opened_connection());
    bool first_done = false;
    worker.run(endless_work(), [&] { first_done = true; });
    ASSERT_TRUE(FormFixture::wait_until([&] { return started.load(); }));
    worker.stop();
    ASSERT_TRUE(FormFixture::wait_until([&] { return interrupted.load(); }));
    bool second_done = false;
    worker.run([](Connection&) {}, [&] { second_done = true; });
    EXPECT_TRUE(FormFixture::wait_until([&] { return second_done; }));
    EXPECT_FALSE(first_done);
}

}  // namespace
}  // namespace qinghe::test
