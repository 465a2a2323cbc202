#pragma once

namespace qinghe::catalogue {

// The catalogue file's name in the program's directory, and the password
// every such file is keyed with.
inline constexpr const char* catalogue_file_name = "tavik.dll";
inline constexpr const char* database_password = "3b71d0";

}  // namespace qinghe::catalogue
