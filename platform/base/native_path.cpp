#include "platform/base/native_path.h"

#include <algorithm>

namespace qinghe::platform {

bool starts_in_directory(std::string_view path, std::string_view program_directory) {
    return !program_directory.empty() && path.substr(0, program_directory.size()) == program_directory &&
           (path.size() == program_directory.size() || path[program_directory.size()] == '\\');
}

std::string native_path(std::string_view path, std::string_view program_directory) {
    std::string out(path);
    const std::size_t kept = starts_in_directory(path, program_directory) ? program_directory.size() : 0;
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(kept), out.end(), '\\', '/');
    return out;
}

}  // namespace qinghe::platform
