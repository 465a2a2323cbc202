#pragma once

#include "platform/sqlcipher/sqlite_database.h"

namespace qinghe::platform::sqlcipher {

// A catalogue without an index on t1's category column makes every category
// page read the whole table, so filling the tree at start-up would read it
// once per category. For such a file this reads the listing columns of t1
// once, into an ordered table in memory, and puts a view named t1 in front
// of the file's table for this connection: the listing columns come from
// the ordered table, the others from the file's row, so every statement
// sees the same rows, values and order (ties broken as an index on the file
// breaks them). A file that has such an index, or whose t1 lacks the
// listing columns, is no rowid table or has a column named rowid, is left
// as it is. Must run before
// the connection is made read-only; a failure leaves the connection as it
// was. Returns whether the view is in place.
bool order_listing_in_memory(Database& db);

}  // namespace qinghe::platform::sqlcipher
