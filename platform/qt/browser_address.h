#pragma once

#include <QUrl>

#include <string>

namespace qinghe::platform::qt {

// The URL the browser loads for an address the program gives it.
// "about: blank" (and "about:blank") is the empty page. Anything else is a
// local file path, with "\" or "/" separators, optionally followed by "?" and
// a query; the program's directory at its start is taken as it is, "\" and
// "?" in its name included (see native_path). The path becomes a file: URL (a relative path counts from the
// working directory); the query is attached as written, with only what a URL
// cannot carry literally percent-encoded (blanks, non-ASCII, "%", "#", "+",
// quotes and the like), so a page that decodes its query sees the text that
// was given. "&" and "=" stay as they are. An empty address throws
// PlatformError.
QUrl browser_url(const std::string& address, const std::string& program_directory = {});

}  // namespace qinghe::platform::qt
