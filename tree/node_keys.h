#pragma once

#include "platform/base/int16.h"

#include <string>
#include <string_view>
#include <vector>

// The node key grammar of the channel tree. A node's key alone says what the
// node is: a lower-case prefix, then decimal numbers joined by "_".
namespace qinghe::tree::keys {

using platform::Int16;

inline constexpr std::string_view search_root = "tv1_search";

// Prefixes, tested on their own length.
inline constexpr std::string_view category_prefix = "lb_";
inline constexpr std::string_view previous_page_prefix = "tv1_pro_";
inline constexpr std::string_view next_page_prefix = "tv1_next_";
inline constexpr std::string_view programme_prefix = "tv1_id_";
inline constexpr std::string_view intro_prefix = "intro_";
inline constexpr std::string_view play_group_prefix = "bf_";
inline constexpr std::string_view play_leaf_prefix = "web_";
inline constexpr std::string_view search_programme_prefix = "tv1_id2_";
inline constexpr std::string_view search_intro_prefix = "intro2_";
inline constexpr std::string_view search_play_group_prefix = "bf2_";
inline constexpr std::string_view search_play_leaf_prefix = "web2_";

// Building keys. Numbers are written as plain decimal text; a programme id
// and a category id read from the catalogue enter as their text.
std::string category(std::string_view lb_id_text);
std::string category(Int16 lb_id);
std::string previous_page(Int16 page_before, Int16 lb_id);
std::string next_page(Int16 page_after, Int16 lb_id);
std::string programme(std::string_view id);
std::string intro(std::string_view id);
std::string play_group(Int16 group, std::string_view id);
std::string play_leaf(Int16 group, Int16 leaf, std::string_view id);
std::string search_programme(std::string_view id);
std::string search_intro(std::string_view id);
std::string search_play_group(Int16 group, std::string_view id);
std::string search_play_leaf(Int16 group, Int16 leaf, std::string_view id);

// Recognising keys by their first characters.
bool is_programme(std::string_view key);         // "tv1_id_"
bool is_search_programme(std::string_view key);  // "tv1_id2_"
bool is_next_page(std::string_view key);         // "tv1_next_"
bool is_previous_page(std::string_view key);     // "tv1_pro_"
bool is_play_leaf(std::string_view key);         // "web_"
bool is_search_play_leaf(std::string_view key);  // "web2_"
bool is_intro(std::string_view key);             // "intro_"
bool is_search_intro(std::string_view key);      // "intro2_"

// Taking a key apart: the fields between the "_", numbered from 0.
std::vector<std::string> fields(std::string_view key);

}  // namespace qinghe::tree::keys
