#pragma once

#include "tools/catalogue_files/catalogue_data.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <string>

namespace qinghe::catalogue_files {

// JSON form of a catalogue:
//   {"vlb": [{"lb_id": 1, "lb": "电影", "c_id": 12, "px": 1}, ...],
//    "t1":  [{"id": 1, "tit": "...", "player": "...", "lb_id": 1, "up_dt": "2009-01-02", "adds": "$$..."}],
//    "ad":  [{"ad": "caption@#link@#..."}]}
// Each table is an array of row objects; a row's keys are its columns (the
// union over all rows gives the table's columns, in first-seen order), JSON
// null is Null. Malformed input throws std::runtime_error saying where.
// An empty array for one of the usual tables gives it its usual columns.
// Text that is not valid UTF-8, and reals that JSON cannot hold (infinite
// or NaN), make to_json throw rather than write something else.
CatalogueData from_json(const nlohmann::json& json);
nlohmann::json to_json(const CatalogueData& data);

// The same for JSON that keeps its keys in document order, so the columns
// keep the order in which the file names them and a dump lists them in
// table order.
CatalogueData from_json(const nlohmann::ordered_json& json);
nlohmann::ordered_json to_ordered_json(const CatalogueData& data);

// Told of each value written other than it is stored: where it is (table,
// row, column) and what was written instead.
using ReplacedValue = std::function<void(const std::string& where, const std::string& what)>;

// The same for a dump that writes every row: a value JSON cannot hold is
// written as near as it can be and named through on_replaced. Bytes that are
// not UTF-8 become U+FFFD; a real that is not finite becomes null.
nlohmann::ordered_json to_ordered_json(const CatalogueData& data, const ReplacedValue& on_replaced);

}  // namespace qinghe::catalogue_files
