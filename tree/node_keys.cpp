#include "tree/node_keys.h"

#include "platform/base/text.h"

namespace qinghe::tree::keys {

using platform::dec;
using platform::starts_with;

namespace {

std::string join(std::string_view prefix, std::string_view tail) {
    std::string key(prefix);
    key += tail;
    return key;
}

}  // namespace

std::string category(std::string_view lb_id_text) {
    return join(category_prefix, lb_id_text);
}
std::string category(Int16 lb_id) {
    return join(category_prefix, dec(lb_id));
}

std::string previous_page(Int16 page_before, Int16 lb_id) {
    return join(previous_page_prefix, dec(page_before) + "_" + dec(lb_id));
}

std::string next_page(Int16 page_after, Int16 lb_id) {
    return join(next_page_prefix, dec(page_after) + "_" + dec(lb_id));
}

std::string programme(std::string_view id) {
    return join(programme_prefix, id);
}
std::string intro(std::string_view id) {
    return join(intro_prefix, id);
}

std::string play_group(Int16 group, std::string_view id) {
    return join(play_group_prefix, dec(group) + "_" + std::string(id));
}

std::string play_leaf(Int16 group, Int16 leaf, std::string_view id) {
    return join(play_leaf_prefix, dec(group) + "_" + dec(leaf) + "_" + std::string(id));
}

std::string search_programme(std::string_view id) {
    return join(search_programme_prefix, id);
}
std::string search_intro(std::string_view id) {
    return join(search_intro_prefix, id);
}

std::string search_play_group(Int16 group, std::string_view id) {
    return join(search_play_group_prefix, dec(group) + "_" + std::string(id));
}

std::string search_play_leaf(Int16 group, Int16 leaf, std::string_view id) {
    return join(search_play_leaf_prefix, dec(group) + "_" + dec(leaf) + "_" + std::string(id));
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
