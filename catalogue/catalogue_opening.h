#pragma once

#include "platform/data_access.h"

#include <string>
#include <vector>

namespace qinghe::catalogue {

// The catalogue file as a person finds it on disk: tavik.dll in the
// executable's directory.
std::string catalogue_file(const std::string& app_path);

// Opens the catalogue as open_catalogue does and, on the catalogue topic,
// warns once when it cannot be opened (naming the file and the reason) or
// when it lacks a table or column that the queries read. A failed open still
// throws; a catalogue that lacks a part stays open, so what it does hold is
// still shown.
void open_and_check_catalogue(platform::Connection& connection, const std::string& app_path);

// The parts of the open catalogue that the queries read and that it lacks,
// as "table ad is missing" or "column t1.adds is missing".
std::vector<std::string> missing_catalogue_parts(platform::Connection& connection);

}  // namespace qinghe::catalogue
