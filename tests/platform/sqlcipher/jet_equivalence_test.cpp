// The same catalogue written as SQLCipher and as Jet answers every
// statement the program issues with the same rows, counts and pages.
#include "jet_support.h"

#include "tools/catalogue_files/json_input.h"

namespace qinghe::test {
namespace {

cf::CatalogueData empty_tables() {
    cf::CatalogueData data;
    for (const char* table : {"vlb", "t1", "ad"}) data.tables[table].columns = cf::usual_columns(table);
    return data;
}

cf::CatalogueData demo() {
    return cf::parse_catalogue_json(cf::read_input(std::string(QINGHE_SOURCE_DIR) + "/data/demo-catalogue.json"));
}

TEST(JetCatalogue, EveryStatementGivesWhatTheSameDataGivesInSqlcipher) {
    const std::vector<std::pair<const char*, cf::CatalogueData>> scenarios{
        {"demo", demo()}, {"edges", edges()}, {"empty tables", empty_tables()}};
    for (const auto& [name, data] : scenarios) {
        TempDir expected_dir;
        write_as(FileFormat::sqlcipher, expected_dir.path() / catalogue::catalogue_file_name, data);
        SqlcipherConnection expected;
        expected.open(catalogue_string(expected_dir.path()), "", "", -1);
        const std::vector<Query> queries = queries_for(data);
        for (const FileFormat format : {FileFormat::jet4, FileFormat::jet4_encoded, FileFormat::jet3_encoded}) {
            SCOPED_TRACE(std::string(name) + ", " + format_name(format));
            TempDir dir;
            write_as(format, dir.path() / catalogue::catalogue_file_name, data);
            const DirSnapshot before = DirSnapshot::of(dir.path());
            {
                SqlcipherConnection jet;
                jet.open(catalogue_string(dir.path()), "", "", -1);
                for (const Query& query : queries)
                    EXPECT_EQ(answer(jet, query), answer(expected, query))
                        << query.sql << (query.page ? " page " + std::to_string(*query.page) : "");
            }
            // Read without writing a byte or leaving a file beside it.
            EXPECT_EQ(DirSnapshot::of(dir.path()), before);
        }
    }
}

}  // namespace
}  // namespace qinghe::test
