#pragma once

#include <string>

namespace qinghe::platform {

// The embedded web browser Web1.
class Browser {
public:
    virtual ~Browser() = default;
    // Points the browser at an address: "about: blank" (with its blank) is
    // an empty page; a path with a query string names a local file.
    virtual void navigate(const std::string& address) = 0;
    // The current document's open, write and close: the written text, as
    // plain text, becomes the whole page. Each fails when there is no
    // document yet.
    virtual void document_open() = 0;
    virtual void document_write(const std::string& text) = 0;
    virtual void document_close() = 0;
    // When true the browser shows no dialog boxes.
    virtual void set_silent(bool silent) = 0;
};

}  // namespace qinghe::platform
