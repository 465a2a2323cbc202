#pragma once

// Word lists the synthetic catalogue composes its texts from.

#include <span>
#include <string_view>

namespace qinghe::catalogue_files::words {

extern const std::span<const std::string_view> category_names;
extern const std::span<const std::string_view> classic_titles;
extern const std::span<const std::string_view> title_heads;
extern const std::span<const std::string_view> title_tails;
extern const std::span<const std::string_view> title_prefixes;
extern const std::span<const std::string_view> surnames;
extern const std::span<const std::string_view> given_names;
extern const std::span<const std::string_view> tudou_labels;
extern const std::span<const std::string_view> youku_labels;
extern const std::span<const std::string_view> sina_labels;
extern const std::span<const std::string_view> single_video_titles;
extern const std::span<const std::string_view> ad_captions;
extern const std::span<const std::string_view> ad_paths;

}  // namespace qinghe::catalogue_files::words
