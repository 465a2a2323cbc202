#pragma once

#include <string>
#include <string_view>

namespace qinghe::platform {

// A path the system wrote with "\" separators (the program's directory
// followed by "\tavik.dll" or "\bg\..."), as a native path: every "\" after
// the program's directory becomes "/". The directory itself is taken as it
// is, since its own name may hold a "\"; a path that does not start with it
// (or an empty program_directory) has every "\" turned.
std::string native_path(std::string_view path, std::string_view program_directory = {});

// Whether path starts with the program's directory followed by "\" or
// nothing; false for an empty directory.
bool starts_in_directory(std::string_view path, std::string_view program_directory);

}  // namespace qinghe::platform
