#pragma once

namespace qinghe::catalogue {

// The password every catalogue file tavik.dll is keyed with.
inline constexpr const char* database_password = "3b71d0";

}  // namespace qinghe::catalogue
