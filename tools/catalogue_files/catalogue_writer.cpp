#include "tools/catalogue_files/catalogue_writer.h"

#include "catalogue/schema/indexes.h"
#include "catalogue/schema/tables.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

namespace qinghe::catalogue_files::detail {
namespace {

namespace fs = std::filesystem;

std::string errno_text(int error) {
    return std::generic_category().message(error);
}

// Reserves a fresh name beside the destination by creating an empty file
// exclusively; SQLite treats an empty file as a new database.
fs::path create_temp_file(const fs::path& destination) {
    const fs::path dir = destination.has_parent_path() ? destination.parent_path() : fs::path(".");
    std::string stem = ".";
    stem += destination.filename().string();
    stem += ".tmp-";
    stem += std::to_string(getpid());
    stem += '-';
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const fs::path candidate = dir / (stem + std::to_string(counter++));
        const int fd = ::open(candidate.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST)
            throw std::runtime_error("cannot create a temporary file in " + dir.string() + ": " + errno_text(errno));
    }
    throw std::runtime_error("cannot find a free temporary file name in " + dir.string());
}

// Flushes a file (or directory) to disk so that a rename never exposes a
// file whose contents are still only in the page cache.
void sync_path(const fs::path& path, bool required) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (required) throw std::runtime_error("cannot open " + path.string() + " to flush it: " + errno_text(errno));
        return;
    }
    const int rc = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (rc != 0 && required) throw std::runtime_error("cannot flush " + path.string() + ": " + errno_text(error));
}

const char* kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    return "not a regular file";
}

// Only a regular file, or nothing, may be replaced by a new catalogue; a
// symbolic link counts as what it points to. Anything else at the
// destination (a device, a FIFO, a directory) is refused and left as it is.
void check_replaceable(const fs::path& destination) {
    struct stat st {};
    if (::lstat(destination.c_str(), &st) != 0) {
        if (errno == ENOENT) return;
        throw std::runtime_error("cannot examine " + destination.string() + ": " + errno_text(errno));
    }
    if (S_ISLNK(st.st_mode) && ::stat(destination.c_str(), &st) != 0) {
        if (errno == ENOENT) return;  // a dangling link is replaced, as a missing file
        throw std::runtime_error("cannot examine " + destination.string() + ": " + errno_text(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        throw std::runtime_error(destination.string() + " is " + kind_of(st.st_mode) +
                                 ", not a regular file; it is left as it is");
    }
}

}  // namespace

CatalogueWriter::CatalogueWriter(const fs::path& destination, const std::string& password) : destination_(destination) {
    if (destination.empty() || !destination.has_filename()) throw std::runtime_error("no catalogue file name given");
    check_replaceable(destination);
    temp_ = create_temp_file(destination);
    try {
        db_ = Database(temp_.string(), Database::Access::read_write_create);
        db_.key(password);
        // The temporary file is discarded on any failure, so it needs no
        // journal and no syncing until it is complete (see finish()).
        db_.exec("PRAGMA journal_mode=OFF");
        db_.exec("PRAGMA synchronous=OFF");
        db_.exec("PRAGMA cache_size=-65536");
        db_.exec("PRAGMA temp_store=MEMORY");
        db_.exec("BEGIN");
    } catch (...) {
        discard();
        throw;
    }
}

CatalogueWriter::~CatalogueWriter() {
    if (!finished_) discard();
}

void CatalogueWriter::discard() noexcept {
    insert_ = Statement();
    db_ = Database();
    std::error_code ec;
    fs::remove(temp_, ec);
    fs::remove(fs::path(temp_.string() + "-journal"), ec);
}

void CatalogueWriter::begin_table(const std::string& name, const std::vector<std::string>& columns) {
    if (columns.empty()) throw std::runtime_error("table " + name + " has no columns");
    insert_ = Statement();
    std::string create = "CREATE TABLE " + catalogue::quote_identifier(name) + " (";
    std::string insert = "INSERT INTO " + catalogue::quote_identifier(name) + " VALUES (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) {
            create += ", ";
            insert += ", ";
        }
        create += catalogue::quote_identifier(columns[i]);
        insert += "?";
    }
    create += ")";
    insert += ")";
    try {
        db_.exec(create);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error("cannot create table " + name + ": " + e.what());
    }
    insert_ = db_.prepare(insert);
    table_ = name;
    column_count_ = columns.size();
    row_number_ = 0;
    tables_.emplace_back(name, columns);
}

Statement& CatalogueWriter::insert_statement() {
    if (!insert_) throw std::runtime_error("no table begun");
    return insert_;
}

void CatalogueWriter::insert() {
    ++row_number_;
    try {
        insert_statement().run();
    } catch (const std::runtime_error& e) {
        throw std::runtime_error("table " + table_ + " row " + std::to_string(row_number_) + ": " + e.what());
    }
}

void CatalogueWriter::add_row(const std::vector<Cell>& row) {
    Statement& statement = insert_statement();
    if (row.size() != column_count_) {
        throw std::runtime_error("table " + table_ + " row " + std::to_string(row_number_ + 1) + " has " +
                                 std::to_string(row.size()) + " values for " + std::to_string(column_count_) +
                                 " columns");
    }
    for (std::size_t i = 0; i < row.size(); ++i) {
        try {
            bind_cell(statement, static_cast<int>(i + 1), row[i]);
        } catch (const std::runtime_error& e) {
            throw std::runtime_error("table " + table_ + " row " + std::to_string(row_number_ + 1) + " column " +
                                     tables_.back().second[i] + ": " + e.what());
        }
    }
    insert();
}

void CatalogueWriter::add_indexes() {
    for (const auto& [name, columns] : tables_)
        for (const std::string& statement : catalogue::index_statements(name, columns)) db_.exec(statement);
}

void CatalogueWriter::finish() {
    insert_ = Statement();
    try {
        add_indexes();
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(std::string("cannot create the indexes: ") + e.what());
    }
    db_.exec("COMMIT");
    db_.close();
    sync_path(temp_, true);
    // Whatever took the destination's place meanwhile is not replaced either.
    check_replaceable(destination_);
    std::error_code ec;
    fs::rename(temp_, destination_, ec);
    if (ec) {
        throw std::runtime_error("cannot move the new catalogue into place as " + destination_.string() + ": " +
                                 ec.message());
    }
    finished_ = true;
    sync_path(destination_.has_parent_path() ? destination_.parent_path() : fs::path("."), false);
}

}  // namespace qinghe::catalogue_files::detail
