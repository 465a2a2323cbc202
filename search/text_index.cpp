#include "search/text_index.h"

#include "platform/base/text.h"

#include <algorithm>
#include <utility>

namespace qinghe::search {

namespace {

// The one character the engine looks for byte by byte when it follows a
// "%": found inside another character, it leaves the comparison of the rest
// of the pattern out of step with the text's characters.
constexpr std::uint32_t byte_searched = 0x80;

std::uint32_t next_char(const unsigned char*& text) {
    const std::uint32_t c = text[0] < 0x80 ? *text++ : platform::read_utf8(text);
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

std::uint64_t pair_key(std::uint32_t first, std::uint32_t second) {
    return (std::uint64_t{first} << 32) | second;
}

void put_number(std::vector<std::uint8_t>& out, std::uint32_t n) {
    while (n >= 0x80) {
        out.push_back(static_cast<std::uint8_t>(n | 0x80));
        n >>= 7;
    }
    out.push_back(static_cast<std::uint8_t>(n));
}

std::uint32_t get_number(const std::uint8_t*& in) {
    std::uint32_t n = 0;
    for (unsigned shift = 0;; shift += 7) {
        const std::uint8_t b = *in++;
        n |= std::uint32_t{b & 0x7fu} << shift;
        if (b < 0x80) return n;
    }
}

std::size_t slot_of(std::uint64_t key, std::size_t size) {
    // Fibonacci hashing; size is a power of two.
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> 32) & (size - 1);
}

struct ListView {
    const std::uint8_t* data;
    std::size_t size;
};

std::vector<std::uint32_t> decode(ListView list) {
    std::vector<std::uint32_t> rows;
    const std::uint8_t* in = list.data;
    const std::uint8_t* const end = in + list.size;
    std::uint32_t next = 0;
    while (in < end) {
        const std::uint32_t row = next + get_number(in);
        rows.push_back(row);
        next = row + 1;
    }
    return rows;
}

// Keeps the rows that are also in list.
void keep_common(std::vector<std::uint32_t>& rows, ListView list) {
    const std::uint8_t* in = list.data;
    const std::uint8_t* const end = in + list.size;
    std::uint32_t next = 0;
    std::size_t kept = 0;
    std::size_t i = 0;
    while (in < end && i < rows.size()) {
        const std::uint32_t row = next + get_number(in);
        next = row + 1;
        while (i < rows.size() && rows[i] < row) ++i;
        if (i < rows.size() && rows[i] == row) rows[kept++] = rows[i++];
    }
    rows.resize(kept);
}

}  // namespace

const std::uint8_t* TextIndex::Lists::find(std::uint64_t key, std::size_t& size) const {
    const auto at = std::lower_bound(keys.begin(), keys.end(), key);
    if (at == keys.end() || *at != key) return nullptr;
    const auto i = static_cast<std::size_t>(at - keys.begin());
    size = starts[i + 1] - starts[i];
    return data.data() + starts[i];
}

std::size_t TextIndex::bytes() const {
    std::size_t total = 0;
    for (const Lists* lists : {&singles_, &pairs_})
        total += lists->keys.capacity() * sizeof(std::uint64_t) + lists->starts.capacity() * sizeof(std::size_t) +
                 lists->data.capacity();
    return total;
}

std::optional<std::vector<std::uint32_t>> TextIndex::candidates(std::string_view search_text) const {
    if (search_text.find('\0') != std::string_view::npos) return std::nullopt;
    const std::string text(search_text);
    const auto* p = reinterpret_cast<const unsigned char*>(text.c_str());

    // Every character of a run between wildcards alone when the run is one
    // character long, else every adjacent pair of the run.
    std::vector<ListView> lists;
    bool missing = false;
    const auto look_up = [&](const Lists& in, std::uint64_t key) {
        std::size_t size = 0;
        const std::uint8_t* data = in.find(key, size);
        if (data == nullptr)
            missing = true;
        else
            lists.push_back({data, size});
    };
    std::vector<std::uint32_t> run;
    const auto end_run = [&] {
        if (run.size() == 1) look_up(singles_, run[0]);
        for (std::size_t i = 1; i < run.size(); ++i) look_up(pairs_, pair_key(run[i - 1], run[i]));
        run.clear();
    };
    // The pattern starts with "%"; the first character after a "%" (and
    // the "_" following it) is where the engine starts its search.
    bool after_match_all = true;
    while (*p != 0) {
        const std::uint32_t c = next_char(p);
        if (c == '%' || c == '_') {
            end_run();
            after_match_all = after_match_all || c == '%';
            continue;
        }
        // From a byte-searched start on, the pattern may be compared out of
        // step: the rest is not looked for.
        if (after_match_all && c == byte_searched) break;
        after_match_all = false;
        run.push_back(c);
    }
    end_run();
    if (missing) return std::vector<std::uint32_t>{};
    if (lists.empty()) return std::nullopt;

    std::sort(lists.begin(), lists.end(), [](const ListView& a, const ListView& b) { return a.size < b.size; });
    std::vector<std::uint32_t> rows = decode(lists.front());
    for (std::size_t i = 1; i < lists.size() && !rows.empty(); ++i) keep_common(rows, lists[i]);
    return rows;
}

TextIndex::Builder::Slot& TextIndex::Builder::Growing::slot_for(std::uint64_t key) {
    if (key < direct.size()) return direct[key];
    if ((used + 1) * 2 > table.size()) grow();
    std::size_t at = slot_of(key, table.size());
    while (table[at].used && table[at].key != key) at = (at + 1) & (table.size() - 1);
    if (!table[at].used) ++used;
    return table[at];
}

void TextIndex::Builder::Growing::add(std::uint64_t key, std::uint32_t row) {
    Slot& slot = slot_for(key);
    slot.used = true;
    slot.key = key;
    // A character met again in the same row is listed once.
    if (row + 1 == slot.next_row) return;
    put_number(slot.list, row - slot.next_row);
    slot.next_row = row + 1;
}

void TextIndex::Builder::Growing::grow() {
    std::vector<Slot> bigger(std::max<std::size_t>(1024, table.size() * 2));
    for (Slot& slot : table) {
        if (!slot.used) continue;
        std::size_t at = slot_of(slot.key, bigger.size());
        while (bigger[at].used) at = (at + 1) & (bigger.size() - 1);
        bigger[at] = std::move(slot);
    }
    table = std::move(bigger);
}

TextIndex::Lists TextIndex::Builder::Growing::finish() {
    std::vector<Slot*> sorted;
    sorted.reserve(used + direct.size());
    std::size_t total = 0;
    for (auto* slots : {&direct, &table})
        for (Slot& slot : *slots) {
            if (!slot.used) continue;
            sorted.push_back(&slot);
            total += slot.list.size();
        }
    std::sort(sorted.begin(), sorted.end(), [](const Slot* a, const Slot* b) { return a->key < b->key; });
    Lists out;
    out.keys.reserve(sorted.size());
    out.starts.reserve(sorted.size() + 1);
    out.data.reserve(total);
    for (Slot* slot : sorted) {
        out.keys.push_back(slot->key);
        out.starts.push_back(out.data.size());
        out.data.insert(out.data.end(), slot->list.begin(), slot->list.end());
        slot->list = {};
    }
    out.starts.push_back(out.data.size());
    *this = {};
    return out;
}

void TextIndex::Builder::add_text(std::string_view text) {
    // The engine reads a text up to its first NUL, and so does the index.
    text = text.substr(0, text.find('\0'));
    buffer_.assign(text.begin(), text.end());
    buffer_.push_back(0);
    const unsigned char* p = buffer_.data();
    std::uint32_t previous = 0;
    bool first = true;
    while (*p != 0) {
        const std::uint32_t c = next_char(p);
        singles_.add(c, rows_);
        if (!first) pairs_.add(pair_key(previous, c), rows_);
        previous = c;
        first = false;
    }
}

// Characters of the Basic Multilingual Plane, nearly all there are, go
// straight to their slots.
TextIndex::Builder::Builder() {
    singles_.direct.resize(0x10000);
}

void TextIndex::Builder::add_row(std::string_view first, std::string_view second) {
    add_text(first);
    add_text(second);
    ++rows_;
}

TextIndex TextIndex::Builder::finish() && {
    TextIndex index;
    index.singles_ = singles_.finish();
    index.pairs_ = pairs_.finish();
    index.rows_ = rows_;
    return index;
}

}  // namespace qinghe::search
