#include "tools/catalogue_files/catalogue_builder.h"

#include "platform/schema/tables.h"

#include <utility>

namespace qinghe::catalogue_files {

CatalogueBuilder::CatalogueBuilder() {
    for (const catalogue::TableColumns& table : catalogue::catalogue_tables)
        data_.tables[std::string(table.table)].columns = usual_columns(table.table);
}

CatalogueBuilder& CatalogueBuilder::category(Cell lb_id, Cell lb, Cell c_id, Cell px) {
    data_.tables[catalogue::category_table].rows.push_back(
        {std::move(lb_id), std::move(lb), std::move(c_id), std::move(px)});
    return *this;
}

CatalogueBuilder& CatalogueBuilder::programme(Cell id, Cell tit, Cell lb_id, Cell adds, Cell up_dt, Cell player) {
    data_.tables[catalogue::programme_table].rows.push_back(
        {std::move(id), std::move(tit), std::move(player), std::move(lb_id), std::move(up_dt), std::move(adds)});
    return *this;
}

CatalogueBuilder& CatalogueBuilder::ad(Cell text) {
    data_.tables[catalogue::ad_table].rows.push_back({std::move(text)});
    return *this;
}

CatalogueBuilder& CatalogueBuilder::programmes(std::int64_t lb_id, int count, std::int64_t first_id) {
    for (int i = 0; i < count; ++i) {
        const std::int64_t id = first_id + i;
        const std::string number = std::to_string(id);
        // up_dt grows with the id, so the listing (up_dt desc, id desc)
        // shows the programmes with the largest ids first.
        programme(id, "节目" + number, lb_id, "$$土豆|v" + number + "|第1集", id);
    }
    return *this;
}

void CatalogueBuilder::write(const std::filesystem::path& file, const std::string& password) const {
    write_catalogue(file, data_, password);
}

}  // namespace qinghe::catalogue_files
