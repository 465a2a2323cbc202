// Paths that cannot lead out of a directory: link-resolved containment and
// relative references.

#pragma once

#include <QString>

#include <optional>

namespace qinghe::platform::qt {

// The canonical path of the regular file at path when it lies inside the
// directory root once every symbolic link of both is resolved; nothing when
// the file is missing, is not a regular file or leads out of root.
std::optional<QString> confined_file(const QString& root, const QString& path);

// A relative reference (a path with "/" or "\" separators, percent-encoded
// as in a URL, possibly with a query or fragment, which are dropped) joined
// to the directory base; nothing when it is absolute, names a drive or a
// host, or has a ".." segment.
std::optional<QString> relative_file(const QString& base, const QString& reference);

}  // namespace qinghe::platform::qt
