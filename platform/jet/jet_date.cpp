#include "platform/jet/jet_date.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace qinghe::jet {

namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civil_from_days(std::int64_t z, std::int64_t& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
}

// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t jet_epoch_days = -25569;
// Jet's range: 100-01-01 to 9999-12-31.
constexpr double first_day = -657434.0;
constexpr double last_day = 2958466.0;

// Writes value's last `width` decimal digits at out, zeros first.
char* put_digits(std::int64_t value, int width, char* out) {
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return out + width;
}

}  // namespace

std::string jet_date_text(double days) {
    char text[64];
    if (!std::isfinite(days) || days < first_day || days >= last_day) {
        std::snprintf(text, sizeof text, "%.17g", days);
        return text;
    }
    double whole = std::trunc(days);
    auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(days - whole) * 86400.0));
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += 1;  // the fraction counts forward either side of the epoch
    }
    std::int64_t year = 0;
    int month = 0;
    int day = 0;
    civil_from_days(static_cast<std::int64_t>(whole) + jet_epoch_days, year, month, day);
    // "YYYY-MM-DD HH:MM:SS": the year is 100 to 9999 here, or 10000 for the
    // last moment of 9999 rounded up to the next day.
    char* end = put_digits(year, year >= 10000 ? 5 : 4, text);
    *end++ = '-';
    end = put_digits(month, 2, end);
    *end++ = '-';
    end = put_digits(day, 2, end);
    *end++ = ' ';
    end = put_digits(seconds / 3600, 2, end);
    *end++ = ':';
    end = put_digits(seconds / 60 % 60, 2, end);
    *end++ = ':';
    end = put_digits(seconds % 60, 2, end);
    return std::string(text, end);
}

}  // namespace qinghe::jet
