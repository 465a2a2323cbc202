#pragma once

// Jet catalogue files for the data-access tests: the same data written as
// SQLCipher or as Jet (as qinghe-catalogue create --format jet writes it).

#include "data_access_support.h"
#include "tools/catalogue_files/jet_writer.h"

#include <string>

namespace qinghe::test {

enum class FileFormat { sqlcipher, jet4, jet4_encoded, jet3_encoded };

inline const char* format_name(FileFormat format) {
    switch (format) {
    case FileFormat::sqlcipher:
        return "SQLCipher";
    case FileFormat::jet4:
        return "Jet 4";
    case FileFormat::jet4_encoded:
        return "Jet 4, encoded";
    default:
        return "Jet 3, encoded";
    }
}

inline void write_as(FileFormat format, const std::filesystem::path& file, const cf::CatalogueData& data,
                     const std::string& password = catalogue::database_password) {
    if (format == FileFormat::sqlcipher) return cf::write_catalogue(file, data, password);
    cf::JetOptions options;
    options.password = password;
    options.encode = format != FileFormat::jet4;
    if (format == FileFormat::jet3_encoded) options.version = jet::JetVersion::jet3;
    cf::write_jet_catalogue(file, data, options);
}

}  // namespace qinghe::test
