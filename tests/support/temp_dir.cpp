#include "support/temp_dir.h"

#include <cerrno>
#include <stdexcept>
#include <string>
#include <system_error>

#include <stdlib.h>

namespace qinghe::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qinghe-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary directory: " + std::generic_category().message(errno));
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace qinghe::test
