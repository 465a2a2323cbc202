#pragma once

// Checks shared by the generator and demo-catalogue tests: the shape every
// catalogue the tool produces for the program must have.

#include "tools/catalogue_files/catalogue_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qinghe::catalogue_files::checks {

std::vector<std::string> split(const std::string& text, const std::string& separator);

// The value of a named column in a row of a table.
const Cell& cell(const Table& table, std::size_t row, const std::string& column);

// A play list of one to three groups, each labelled with a site (土豆, 优酷
// or SINA, each site once), each with at least one complete pair of an
// alphanumeric identifier and a title, and nothing before the first group.
::testing::AssertionResult is_valid_play_list(const std::string& adds);

// vlb, t1 and ad as the program reads them: c_id counts each category's
// programmes, px is a permutation of 1..N, ids are unique, every lb_id
// names a category, every up_dt is a "YYYY-MM-DD hh:mm:ss" text, every play
// list is valid, and the ad table has one row of caption/link pairs with
// links without a scheme. Returns the number of ads.
std::size_t expect_well_formed(const CatalogueData& data);

}  // namespace qinghe::catalogue_files::checks
