#pragma once

#include "tools/catalogue_files/catalogue_data.h"

#include <filesystem>
#include <string>

namespace qinghe::catalogue_files {

// Builds the usual three tables in a few readable lines:
//
//   CatalogueBuilder b;
//   b.category(3, "电影", 120, 1).programme(17, "西游记", 3, "$$土豆|a1|t1").ad("新浪@#sina.com.cn");
//   b.write(dir / "tavik.dll");
//
// vlb(lb_id, lb, c_id, px), t1(id, tit, player, lb_id, up_dt, adds), ad(ad).
// Every argument is a Cell, so Null (std::monostate{}) and text where a
// number belongs can be written as well.
class CatalogueBuilder {
public:
    CatalogueBuilder();
    CatalogueBuilder& category(Cell lb_id, Cell lb, Cell c_id, Cell px);
    // up_dt defaults to 0 and player to Null.
    CatalogueBuilder& programme(Cell id, Cell tit, Cell lb_id, Cell adds, Cell up_dt = std::int64_t{0},
                                Cell player = std::monostate{});
    CatalogueBuilder& ad(Cell text);
    // N programmes in one category with ids first_id.. and titles "节目<id>",
    // up_dt descending with the id, so listing order is id descending.
    CatalogueBuilder& programmes(std::int64_t lb_id, int count, std::int64_t first_id = 1);

    CatalogueData& data() { return data_; }
    void write(const std::filesystem::path& file, const std::string& password = catalogue::database_password) const;

private:
    CatalogueData data_;
};

}  // namespace qinghe::catalogue_files
