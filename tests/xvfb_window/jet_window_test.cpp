// The window on a genuine Jet catalogue: the tree fills and a video plays
// in its site's page at its site's size, as on an SQLCipher file.
#include "real_window.h"

#include "tools/catalogue_files/jet_writer.h"

#include <gtest/gtest.h>

namespace qinghe::test {
namespace {

class JetWindowTest : public RealWindowTest {
protected:
    void write_catalogue(catalogue_files::CatalogueBuilder& catalogue, const fs::path& file) override {
        catalogue_files::JetOptions options;
        options.encode = true;
        catalogue_files::write_jet_catalogue(file, catalogue.data(), options);
    }
};

TEST_F(JetWindowTest, AVideoOfAnEncodedJetCataloguePlaysInItsPageAtItsSize) {
    ASSERT_NO_FATAL_FAILURE(play(Site{"web_2_1_7", "youku.htm", "yk 002&x=中文", 495, 746, "第2集"}));
}

}  // namespace
}  // namespace qinghe::test
