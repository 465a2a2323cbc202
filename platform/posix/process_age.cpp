#include "platform/posix/process_age.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include <unistd.h>

namespace qinghe::platform::posix {

std::optional<double> process_age_ms() noexcept {
    // Field 22 of /proc/self/stat is the start time in clock ticks since
    // boot; the command name before it, in parentheses, may hold blanks.
    std::FILE* stat = std::fopen("/proc/self/stat", "r");
    if (stat == nullptr) return std::nullopt;
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, stat) != nullptr;
    std::fclose(stat);
    const char* after_name = read ? std::strrchr(line, ')') : nullptr;
    unsigned long long start_ticks = 0;
    // Fields 3 to 21 are skipped; the 22nd is read.
    if (after_name == nullptr ||
        std::sscanf(after_name + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
                    &start_ticks) != 1)
        return std::nullopt;
    const long ticks_per_second = ::sysconf(_SC_CLK_TCK);
    timespec now{};
    if (ticks_per_second <= 0 || ::clock_gettime(CLOCK_BOOTTIME, &now) != 0) return std::nullopt;
    const double now_ms = static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
    return now_ms - static_cast<double>(start_ticks) * 1e3 / static_cast<double>(ticks_per_second);
}

}  // namespace qinghe::platform::posix
