#pragma once

#include "support/qt/form_fixture.h"
#include "tools/catalogue_files/catalogue_builder.h"

#include <string>
#include <utility>
#include <vector>

// Shared by the hostile-catalogue tests: a user's round of actions on
// whatever the window shows, and ways to spoil a catalogue.
namespace qinghe::test::hostile {

using V = std::vector<std::string>;

// A user's round on whatever the window shows: resizes, opens and clicks the
// first programmes of the first categories (intro, groups, videos), turns a
// page and back, searches for several texts and opens the results, lets the
// ticker run and clicks its labels; then the same events for keys that no
// listing makes. Category 32767 is never touched.
void exercise(FormFixture& f);

// Each category with the keys of its children, in tree order.
std::vector<std::pair<std::string, V>> listing(const FormFixture& f);

// The catalogue without one table, or one table without one column.
void drop_table(catalogue_files::CatalogueBuilder& catalogue, const std::string& table);
void drop_column(catalogue_files::CatalogueBuilder& catalogue, const std::string& table, const std::string& column);

// What a window that could read no catalogue shows: the search root alone
// with no result, an ad strip that opens nothing, the start-up size.
void expect_bare_window(FormFixture& f);

}  // namespace qinghe::test::hostile
