#include "tree/node_keys.h"

#include "platform/base/text.h"

#include <charconv>
#include <initializer_list>
#include <system_error>

namespace qinghe::tree::keys {

using platform::starts_with;

namespace {

// A number as a key writes it: plain decimal text.
class Number {
public:
    explicit Number(Int16 value) {
        const auto [end, error] = std::to_chars(digits_, digits_ + sizeof digits_, value);
        size_ = error == std::errc() ? static_cast<std::size_t>(end - digits_) : 0;
    }
    operator std::string_view() const { return {digits_, size_}; }

private:
    char digits_[8];
    std::size_t size_;
};

// The parts one after another, in a string made once: every expanded
// programme makes thousands of keys.
std::string join(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (std::string_view part : parts) size += part.size();
    std::string key;
    key.reserve(size);
    for (std::string_view part : parts) key += part;
    return key;
}

}  // namespace

std::string category(std::string_view lb_id_text) {
    return join({category_prefix, lb_id_text});
}
std::string category(Int16 lb_id) {
    return join({category_prefix, Number(lb_id)});
}

std::string previous_page(Int16 page_before, Int16 lb_id) {
    return join({previous_page_prefix, Number(page_before), "_", Number(lb_id)});
}

std::string next_page(Int16 page_after, Int16 lb_id) {
    return join({next_page_prefix, Number(page_after), "_", Number(lb_id)});
}

std::string programme(std::string_view id) {
    return join({programme_prefix, id});
}
std::string intro(std::string_view id) {
    return join({intro_prefix, id});
}

std::string play_group(Int16 group, std::string_view id) {
    return join({play_group_prefix, Number(group), "_", id});
}

std::string play_leaf(Int16 group, Int16 leaf, std::string_view id) {
    return join({play_leaf_prefix, Number(group), "_", Number(leaf), "_", id});
}

std::string search_programme(std::string_view id) {
    return join({search_programme_prefix, id});
}
std::string search_intro(std::string_view id) {
    return join({search_intro_prefix, id});
}

std::string search_play_group(Int16 group, std::string_view id) {
    return join({search_play_group_prefix, Number(group), "_", id});
}

std::string search_play_leaf(Int16 group, Int16 leaf, std::string_view id) {
    return join({search_play_leaf_prefix, Number(group), "_", Number(leaf), "_", id});
}

bool is_programme(std::string_view key) {
    return starts_with(key, programme_prefix);
}
bool is_search_programme(std::string_view key) {
    return starts_with(key, search_programme_prefix);
}
bool is_next_page(std::string_view key) {
    return starts_with(key, next_page_prefix);
}
bool is_previous_page(std::string_view key) {
    return starts_with(key, previous_page_prefix);
}
bool is_play_leaf(std::string_view key) {
    return starts_with(key, play_leaf_prefix);
}
bool is_search_play_leaf(std::string_view key) {
    return starts_with(key, search_play_leaf_prefix);
}
bool is_intro(std::string_view key) {
    return starts_with(key, intro_prefix);
}
bool is_search_intro(std::string_view key) {
    return starts_with(key, search_intro_prefix);
}

std::vector<std::string> fields(std::string_view key) {
    return platform::split(key, "_");
}

}  // namespace qinghe::tree::keys
