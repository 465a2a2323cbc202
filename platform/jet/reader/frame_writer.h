#pragma once

// The Jet reader's side of the pipe: the tables read, framed and buffered.

#include "platform/jet/jet_tables.h"
#include "platform/jet/reader_frames.h"

#include <string>
#include <vector>

namespace qinghe::jet {

class FrameWriter final : public TableSink {
public:
    explicit FrameWriter(int fd) : fd_(fd) {}

    void begin_table(const std::string& name, const std::vector<std::string>& columns) override;
    void add_row(std::vector<JetCell>& cells) override;
    // The last frame: done, or error with its reason. False when the pipe
    // no longer takes what is written (nobody reads it).
    bool finish(FrameTag tag, const std::string& message = {});

private:
    void put_byte(unsigned char b) { buffer_.push_back(static_cast<char>(b)); }
    void put_u32(std::uint32_t v);
    void put_u64(std::uint64_t v);
    void put_text(const std::string& text);
    bool flush();

    int fd_;
    std::string buffer_;
};

}  // namespace qinghe::jet
