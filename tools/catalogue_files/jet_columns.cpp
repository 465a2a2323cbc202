#include "tools/catalogue_files/jet_columns.h"

#include "platform/schema/tables.h"
#include "platform/jet/ucs2.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include <iconv.h>

namespace qinghe::catalogue_files::jet_files {
namespace {

bool always_memo(std::string_view column) {
    return column == "adds" || column == "player" || column == "ad";
}

long days_from_civil(long y, long m, long d) {
    y -= m <= 2 ? 1 : 0;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool read_number(std::string_view text, std::size_t at, std::size_t digits, long& value) {
    const char* first = text.data() + at;
    const auto [end, error] = std::from_chars(first, first + digits, value);
    return error == std::errc() && end == first + digits;
}

std::string to_gbk(std::string_view utf8) {
    iconv_t cd = iconv_open("CP936", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("code page 936 is not available");
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t in_left = utf8.size();
    char* to = out.data();
    std::size_t out_left = out.size();
    const std::size_t rc = iconv(cd, &in, &in_left, &to, &out_left);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1))
        throw std::runtime_error("text that code page 936 cannot hold: " + std::string(utf8));
    out.resize(out.size() - out_left);
    return out;
}

}  // namespace

std::size_t utf16_length(std::string_view text) {
    std::size_t length = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) length += byte >= 0xF0 ? 2 : 1;
    }
    return length;
}

bool is_fixed(JetType type) {
    return fixed_size(type) != 0;
}

std::size_t fixed_size(JetType type) {
    switch (type) {
    case JetType::integer:
        return 2;
    case JetType::long_integer:
        return 4;
    case JetType::real:
    case JetType::date_time:
        return 8;
    case JetType::text:
    case JetType::ole:
    case JetType::memo:
        break;
    }
    return 0;
}

bool parse_time_stamp(std::string_view text, double& days) {
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':')
        return false;
    long y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!read_number(text, 0, 4, y) || !read_number(text, 5, 2, mo) || !read_number(text, 8, 2, d) ||
        !read_number(text, 11, 2, h) || !read_number(text, 14, 2, mi) || !read_number(text, 17, 2, s))
        return false;
    if (y < 100 || mo < 1 || mo > 12 || d < 1 || h > 23 || mi > 59 || s > 59) return false;
    const long month_days = days_from_civil(mo == 12 ? y + 1 : y, mo == 12 ? 1 : mo + 1, 1) - days_from_civil(y, mo, 1);
    if (d > month_days) return false;
    const long day = days_from_civil(y, mo, d) - days_from_civil(1899, 12, 30);
    const double fraction = static_cast<double>(h * 3600 + mi * 60 + s) / 86400.0;
    // Before 1899-12-30 Jet counts the day backwards and the time forwards.
    days = day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
    return true;
}

std::string text_of(const Cell& cell) {
    if (const auto* text = std::get_if<std::string>(&cell)) return *text;
    if (const auto* whole = std::get_if<std::int64_t>(&cell)) return std::to_string(*whole);
    if (const auto* real = std::get_if<double>(&cell)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.17g", *real);
        return buffer;
    }
    return {};
}

std::string compress_unicode(std::u16string_view text) {
    std::string out = "\xFF\xFE";
    bool narrow = true;
    for (const char16_t unit : text) {
        if ((unit & 0xFF) == 0) return {};
        const bool fits = unit < 0x100;
        if (fits != narrow) {
            out += '\0';
            narrow = fits;
        }
        out += static_cast<char>(unit & 0xFF);
        if (!fits) out += static_cast<char>(unit >> 8);
    }
    if (out.size() >= 2 * text.size()) return {};
    return out;
}

std::string encode_text(std::string_view utf8, JetVersion version, bool compress) {
    if (version == JetVersion::jet3) return to_gbk(utf8);
    const std::optional<std::u16string> units = jet::utf8_to_utf16(utf8);
    if (!units) throw std::runtime_error("text that is not UTF-8");
    if (compress) {
        std::string compressed = compress_unicode(*units);
        if (!compressed.empty()) return compressed;
    }
    std::string bytes;
    bytes.reserve(units->size() * 2);
    jet::append_utf16_bytes(*units, bytes);
    return bytes;
}

std::vector<JetColumn> choose_columns(std::string_view table_name, const Table& table) {
    const std::vector<JetColumn> usual = usual_jet_columns(table_name);
    std::vector<JetColumn> columns;
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        bool texts = false, reals = false, wholes = false, long_text = false, stamps = true, beyond_long = false,
             beyond_double = false;
        for (const auto& row : table.rows) {
            if (c >= row.size()) continue;
            const Cell& cell = row[c];
            if (const auto* text = std::get_if<std::string>(&cell)) {
                texts = true;
                long_text = long_text || utf16_length(*text) > max_text_characters;
                double days = 0;
                stamps = stamps && parse_time_stamp(*text, days);
            } else if (const auto* whole = std::get_if<std::int64_t>(&cell)) {
                wholes = true;
                stamps = false;
                beyond_long = beyond_long || *whole < std::numeric_limits<std::int32_t>::min() ||
                              *whole > std::numeric_limits<std::int32_t>::max();
                beyond_double = beyond_double || std::llabs(*whole) > (std::int64_t{1} << 53);
            } else if (std::holds_alternative<double>(cell)) {
                reals = true;
                stamps = false;
            }
        }
        const std::string& name = table.columns[c];
        JetType type = JetType::long_integer;
        const auto usual_column =
            std::find_if(usual.begin(), usual.end(), [&](const JetColumn& u) { return u.name == name; });
        if (!texts && !wholes && !reals && usual_column != usual.end())
            type = usual_column->type;  // only Nulls, or no rows: the column's usual type
        else if (always_memo(name))
            type = JetType::memo;
        else if (texts && stamps && !wholes && !reals && name == "up_dt")
            type = JetType::date_time;
        else if (texts || beyond_double)
            type = long_text ? JetType::memo : JetType::text;
        else if (reals || beyond_long)
            type = JetType::real;
        columns.push_back({name, type});
    }
    return columns;
}

std::vector<JetColumn> usual_jet_columns(std::string_view table) {
    std::vector<JetColumn> columns;
    for (const std::string& name : catalogue::usual_columns(table)) {
        JetType type = JetType::long_integer;
        if (always_memo(name))
            type = JetType::memo;
        else if (name == "up_dt")
            type = JetType::date_time;
        else if (name == "tit" || name == "lb")
            type = JetType::text;
        columns.push_back({name, type});
    }
    return columns;
}

}  // namespace qinghe::catalogue_files::jet_files
