#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace qinghe::search {

// Which rows may hold a search text: for each character, and each pair of
// adjacent characters, the rows whose texts contain it. Rows are numbered
// from 0 in the order they are added; every list runs in that order.
//
// Characters are read as the catalogue engine reads them for its LIKE
// comparison (a text ends at its first NUL byte, a malformed sequence is
// U+FFFD) with ASCII letters folded to lower case, so a row the comparison
// matches is always among the rows the index gives.
class TextIndex {
public:
    class Builder;

    // The rows that may match the LIKE pattern "%" + search_text + "%",
    // without an escape character, in row order: every row holding each run
    // of characters between the wildcards. nullopt when the text leaves no
    // character to look for (only wildcards, or empty) or holds a NUL byte.
    std::optional<std::vector<std::uint32_t>> candidates(std::string_view search_text) const;

    std::size_t rows() const { return rows_; }
    // Memory the lists take.
    std::size_t bytes() const;

    // Row numbers, one list per character or pair: each row as the number
    // of rows skipped since the previous one, in 7-bit groups, low first.
    struct Lists {
        std::vector<std::uint64_t> keys;  // ascending
        std::vector<std::size_t> starts;  // keys.size() + 1 offsets into data
        std::vector<std::uint8_t> data;
        const std::uint8_t* find(std::uint64_t key, std::size_t& size) const;
    };

private:
    friend class Builder;
    Lists singles_;
    Lists pairs_;
    std::uint32_t rows_ = 0;
};

class TextIndex::Builder {
public:
    Builder();
    // Adds the next row with its texts (each ends at its first NUL).
    void add_row(std::string_view first, std::string_view second);
    TextIndex finish() &&;

private:
    // A list with its key and the row after the last one written, in an
    // open-addressing table (a map of nodes is several times slower to
    // fill).
    struct Slot {
        std::uint64_t key = 0;
        bool used = false;
        std::uint32_t next_row = 0;
        std::vector<std::uint8_t> list;
    };
    struct Growing {
        // Keys below direct.size() have the slot of that number.
        std::vector<Slot> direct;
        std::size_t used = 0;
        std::vector<Slot> table;
        void add(std::uint64_t key, std::uint32_t row);
        Slot& slot_for(std::uint64_t key);
        void grow();
        Lists finish();
    };
    void add_text(std::string_view text);

    Growing singles_;
    Growing pairs_;
    std::uint32_t rows_ = 0;
    std::vector<unsigned char> buffer_;
};

}  // namespace qinghe::search
