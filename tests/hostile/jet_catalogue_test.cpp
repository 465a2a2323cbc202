// The demo catalogue written as Jet fills the window's tree exactly as the
// same catalogue in SQLCipher does, and survives the same user's round.
#include "hostile/hostile_support.h"

#include "tools/catalogue_files/jet_writer.h"
#include "tools/catalogue_files/json_input.h"

#include <gtest/gtest.h>

#include <functional>

namespace qinghe::test::hostile {
namespace {

namespace cf = catalogue_files;

// Every node's key and text, walking the tree from its roots.
std::vector<std::string> whole_tree(const FormFixture& f) {
    std::vector<std::string> nodes;
    std::function<void(const std::string&)> walk = [&](const std::string& key) {
        const V keys = f.child_keys(key);
        const V texts = f.child_texts(key);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            nodes.push_back(keys[i] + " " + texts[i]);
            walk(keys[i]);
        }
    };
    for (const std::string& root : f.root_keys()) {
        nodes.push_back(root);
        walk(root);
    }
    return nodes;
}

// The browser's addresses with the program's directory taken out.
V addresses(const FormFixture& f) {
    V out;
    const std::string dir = f.dir().path().string();
    for (std::string address : const_cast<FormFixture&>(f).browser().addresses()) {
        for (std::size_t at; (at = address.find(dir)) != std::string::npos;) address.replace(at, dir.size(), "D");
        out.push_back(address);
    }
    return out;
}

TEST(JetCatalogue, TheDemoAsJetFillsTheSameTreeAndTakesTheSameRound) {
    const cf::CatalogueData demo =
        cf::parse_catalogue_json(cf::read_input(std::string(QINGHE_SOURCE_DIR) + "/data/demo-catalogue.json"));
    FormFixture sqlcipher;
    cf::write_catalogue(sqlcipher.catalogue_file(), demo);
    sqlcipher.start();
    FormFixture jet;
    cf::write_jet_catalogue(jet.catalogue_file(), demo, {});
    jet.start();
    ASSERT_TRUE(jet.form().connection().is_open());
    ASSERT_TRUE(FormFixture::wait_until([&] { return whole_tree(jet) == whole_tree(sqlcipher); }));
    exercise(sqlcipher);
    exercise(jet);
    EXPECT_EQ(whole_tree(jet), whole_tree(sqlcipher));
    EXPECT_EQ(addresses(jet), addresses(sqlcipher));
}

}  // namespace
}  // namespace qinghe::test::hostile
