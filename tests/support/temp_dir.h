#pragma once

#include <filesystem>

namespace qinghe::test {

// A fresh, uniquely named directory under the system's temporary directory,
// removed with everything in it when the object goes away. Tests use it as
// the executable's directory that holds tavik.dll.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace qinghe::test
