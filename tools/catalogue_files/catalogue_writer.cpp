#include "tools/catalogue_files/catalogue_writer.h"

#include "platform/schema/indexes.h"
#include "platform/schema/tables.h"
#include "tools/catalogue_files/file_replacement.h"

#include <algorithm>
#include <stdexcept>

namespace qinghe::catalogue_files::detail {
namespace fs = std::filesystem;

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
    move_into_place(temp_, destination_);
    finished_ = true;
}

}  // namespace qinghe::catalogue_files::detail
