#pragma once

#include "platform/background_work.h"
#include "platform/browser.h"
#include "platform/data_access.h"
#include "platform/process.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qinghe::test {

// Stands in for the embedded browser: records every address and what the
// page shows. Like the real one it has no document before the first address.
class RecordingBrowser final : public platform::Browser {
public:
    void navigate(const std::string& address) override;
    void document_open() override;
    void document_write(const std::string& text) override;
    void document_close() override;
    void set_silent(bool silent) override { silent_ = silent; }

    const std::vector<std::string>& addresses() const { return addresses_; }
    // Text written into the current document and closed; empty after a
    // navigation.
    const std::string& page_text() const { return page_text_; }
    bool silent() const { return silent_; }

private:
    void require_document() const;
    std::vector<std::string> addresses_;
    bool has_document_ = false;
    std::string buffer_;
    std::string page_text_;
    bool silent_ = false;
};

// Stands in for the process facilities: a given directory, a given answer to
// the previous-instance test, and a record of every started command line.
class RecordingProcess final : public platform::Process {
public:
    explicit RecordingProcess(std::string app_path) : app_path_(std::move(app_path)) {}

    bool previous_instance() override { return another_instance_; }
    std::string app_path() const override { return app_path_; }
    void shell(const std::string& command_line, int window_style) override;

    void set_another_instance(bool running) { another_instance_ = running; }
    void set_fail_starts(bool fail) { fail_starts_ = fail; }
    const std::vector<std::pair<std::string, int>>& started() const { return started_; }

private:
    std::string app_path_;
    bool another_instance_ = false;
    bool fail_starts_ = false;
    std::vector<std::pair<std::string, int>> started_;
};

// Hands work to a real worker and counts the pieces whose `done` has run on
// the window's thread.
class CountedWork final : public platform::BackgroundWork {
public:
    explicit CountedWork(std::unique_ptr<platform::BackgroundWork> worker) : worker_(std::move(worker)) {}

    void run(std::function<void(platform::Connection&)> work, std::function<void()> done) override {
        worker_->run(std::move(work), [this, done = std::move(done)] {
            done();
            ++finished_;
        });
    }
    void stop() noexcept override { worker_->stop(); }
    int finished() const { return finished_; }

private:
    std::unique_ptr<platform::BackgroundWork> worker_;
    int finished_ = 0;
};

// The real connection, reporting its catalogue as still loading while
// `loading` is set.
class LoadingConnection final : public platform::Connection {
public:
    LoadingConnection(std::unique_ptr<platform::Connection> real, const bool& loading)
        : real_(std::move(real)), loading_(loading) {}

    void open(const std::string& connection_string, const std::string& user_name, const std::string& password,
              int options) override {
        real_->open(connection_string, user_name, password, options);
    }
    void close() override { real_->close(); }
    bool is_open() const override { return real_->is_open(); }
    std::unique_ptr<platform::Recordset> open_recordset(const std::string& source, platform::CursorType cursor,
                                                        platform::LockType lock, int options) override {
        return real_->open_recordset(source, cursor, lock, options);
    }
    void interrupt() noexcept override { real_->interrupt(); }
    void resume() noexcept override { real_->resume(); }
    std::string file_version() const override { return real_->file_version(); }
    bool catalogue_loading() const override { return loading_ || real_->catalogue_loading(); }

private:
    std::unique_ptr<platform::Connection> real_;
    const bool& loading_;
};

}  // namespace qinghe::test
