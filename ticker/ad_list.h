#pragma once

#include "platform/base/int16.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe::ticker {

// The ad text split on "@#": caption 0, link 0, caption 1, link 1, ... It is
// unset until the ad text has been read; when the catalogue has no ad text
// it stays unset, and everything that reads it fails.
using AdList = std::optional<std::vector<std::string>>;

inline constexpr std::string_view ad_separator = "@#";

std::vector<std::string> split_ad_text(std::string_view ad_text);

// Index of the last label that carries an ad: n / 2 - 1 rounded to the
// nearest integer, halves to the even one. Fails when the list is unset.
platform::Int16 last_label_index(const AdList& ads);

// The ad link of a label, element 2 * index + 1; fails when it is missing.
const std::string& ad_link(const AdList& ads, platform::Int16 index);

}  // namespace qinghe::ticker
