#include "tools/catalogue_files/catalogue_json.h"

#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace qinghe::catalogue_files {
namespace {

std::string where(const std::string& table, std::size_t row) {
    return "table " + table + " row " + std::to_string(row + 1);
}

template <typename Json>
Cell to_cell(const Json& value, const std::string& context) {
    switch (value.type()) {
    case Json::value_t::null:
        return std::monostate{};
    case Json::value_t::number_integer:
        return value.template get<std::int64_t>();
    case Json::value_t::number_unsigned: {
        const auto number = value.template get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            throw std::runtime_error(context + ": integer " + std::to_string(number) + " is too large");
        return static_cast<std::int64_t>(number);
    }
    case Json::value_t::number_float: {
        const auto number = value.template get<double>();
        if (!std::isfinite(number)) throw std::runtime_error(context + ": number is not finite");
        return number;
    }
    case Json::value_t::string:
        return value.template get<std::string>();
    default:
        throw std::runtime_error(context + ": a value must be null, a number or a text, not " +
                                 std::string(value.type_name()));
    }
}

template <typename Json>
CatalogueData from_json_impl(const Json& json) {
    if (!json.is_object())
        throw std::runtime_error("a catalogue must be a JSON object of tables, not " + std::string(json.type_name()));
    CatalogueData data;
    for (const auto& [name, rows] : json.items()) {
        if (!rows.is_array()) {
            throw std::runtime_error("table " + name + ": must be an array of row objects, not " +
                                     std::string(rows.type_name()));
        }
        Table& table = data.tables[name];
        // Columns are the union of the rows' keys in first-seen order;
        // a row without a column holds Null there.
        std::unordered_map<std::string, std::size_t> index;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const auto& row = rows[r];
            if (!row.is_object())
                throw std::runtime_error(where(name, r) + ": must be an object, not " + std::string(row.type_name()));
            for (const auto& [column, value] : row.items())
                if (index.emplace(column, table.columns.size()).second) table.columns.push_back(column);
        }
        if (rows.empty()) table.columns = usual_columns(name);
        table.rows.reserve(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            std::vector<Cell> cells(table.columns.size());
            for (const auto& [column, value] : rows[r].items())
                cells[index.at(column)] = to_cell(value, where(name, r) + " column " + column);
            table.rows.push_back(std::move(cells));
        }
    }
    return data;
}

// The length of the well-formed UTF-8 sequence at text[i] (no overlong
// forms, surrogates or code points beyond U+10FFFF, as JSON text must be),
// or 0 when the bytes there are not one.
std::size_t utf8_length(const std::string& text, std::size_t i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (byte < 0x80) {
        return 1;
    } else if ((byte & 0xE0) == 0xC0) {
        length = 2;
        code = byte & 0x1Fu;
    } else if ((byte & 0xF0) == 0xE0) {
        length = 3;
        code = byte & 0x0Fu;
    } else if ((byte & 0xF8) == 0xF0) {
        length = 4;
        code = byte & 0x07u;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = (code << 6) | (next & 0x3Fu);
    }
    const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

// The text with every byte that is not part of well-formed UTF-8 replaced
// by U+FFFD; nullopt when there is none.
std::optional<std::string> with_invalid_bytes_replaced(const std::string& text) {
    std::optional<std::string> out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8_length(text, i);
        if (length == 0 && !out) out = text.substr(0, i);
        if (length == 0) {
            *out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (out) out->append(text, i, length);
        i += length;
    }
    return out;
}

template <typename Json>
Json to_json_impl(const CatalogueData& data, const ReplacedValue* on_replaced) {
    Json json = Json::object();
    for (const auto& [name, table] : data.tables) {
        // A row object holds each column once; a repeated name would lose
        // a value.
        std::unordered_map<std::string, std::size_t> seen;
        for (const auto& column : table.columns)
            if (++seen[column] > 1) throw std::runtime_error("table " + name + " names column " + column + " twice");
        if (on_replaced != nullptr) {
            // Names go out as keys; the dump writes their invalid bytes as U+FFFD.
            for (const auto& text : table.columns) {
                if (with_invalid_bytes_replaced(text) || with_invalid_bytes_replaced(name)) {
                    (*on_replaced)("table " + name + " column " + text,
                                   "a name that is not valid UTF-8, its invalid bytes written as U+FFFD");
                }
            }
        }
        Json rows = Json::array();
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            const auto& cells = table.rows[r];
            if (cells.size() != table.columns.size()) {
                throw std::runtime_error(where(name, r) + " has " + std::to_string(cells.size()) + " values for " +
                                         std::to_string(table.columns.size()) + " columns");
            }
            Json row = Json::object();
            for (std::size_t c = 0; c < cells.size(); ++c) {
                const std::string context = where(name, r) + " column " + table.columns[c];
                const Cell& cell = cells[c];
                if (const auto* i = std::get_if<std::int64_t>(&cell)) {
                    row[table.columns[c]] = *i;
                } else if (const auto* d = std::get_if<double>(&cell)) {
                    if (std::isfinite(*d)) {
                        row[table.columns[c]] = *d;
                    } else if (on_replaced != nullptr) {
                        (*on_replaced)(context, "a real that is not finite, written as null");
                        row[table.columns[c]] = nullptr;
                    } else {
                        throw std::runtime_error(context + ": a real that is not finite has no JSON form");
                    }
                } else if (const auto* s = std::get_if<std::string>(&cell)) {
                    if (auto replaced = with_invalid_bytes_replaced(*s)) {
                        if (on_replaced == nullptr) throw std::runtime_error(context + ": text is not valid UTF-8");
                        (*on_replaced)(context, "text that is not valid UTF-8, its invalid bytes written as U+FFFD");
                        row[table.columns[c]] = std::move(*replaced);
                    } else {
                        row[table.columns[c]] = *s;
                    }
                } else {
                    row[table.columns[c]] = nullptr;
                }
            }
            rows.push_back(std::move(row));
        }
        json[name] = std::move(rows);
    }
    return json;
}

}  // namespace

CatalogueData from_json(const nlohmann::json& json) {
    return from_json_impl(json);
}
CatalogueData from_json(const nlohmann::ordered_json& json) {
    return from_json_impl(json);
}
nlohmann::json to_json(const CatalogueData& data) {
    return to_json_impl<nlohmann::json>(data, nullptr);
}
nlohmann::ordered_json to_ordered_json(const CatalogueData& data) {
    return to_json_impl<nlohmann::ordered_json>(data, nullptr);
}
nlohmann::ordered_json to_ordered_json(const CatalogueData& data, const ReplacedValue& on_replaced) {
    return to_json_impl<nlohmann::ordered_json>(data, &on_replaced);
}

}  // namespace qinghe::catalogue_files
