#include "support/qt/recording_doubles.h"

#include "platform/base/error.h"

namespace qinghe::test {

void RecordingBrowser::navigate(const std::string& address) {
    addresses_.push_back(address);
    has_document_ = true;
    buffer_.clear();
    page_text_.clear();
}

void RecordingBrowser::require_document() const {
    if (!has_document_) throw platform::PlatformError("no document");
}

void RecordingBrowser::document_open() {
    require_document();
    buffer_.clear();
}

void RecordingBrowser::document_write(const std::string& text) {
    require_document();
    buffer_ += text;
}

void RecordingBrowser::document_close() {
    require_document();
    page_text_ = buffer_;
}

void RecordingProcess::shell(const std::string& command_line, int window_style) {
    if (fail_starts_) throw platform::PlatformError("cannot start " + command_line);
    started_.emplace_back(command_line, window_style);
}

}  // namespace qinghe::test
