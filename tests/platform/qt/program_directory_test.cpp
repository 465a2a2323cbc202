// Installed under a directory of any name, the program reaches the catalogue
// and the player pages in that directory: the name is one data source in the
// connection string, and no adapter reads a "\", "?" or ";" of it as its own.
#include "catalogue/statements.h"
#include "platform/base/error.h"
#include "platform/qt/browser_address.h"
#include "platform/schema/catalogue_file.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "support/temp_dir.h"
#include "tools/catalogue_files/catalogue_builder.h"

#include <QUrl>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace qinghe::platform::qt {
namespace {

namespace fs = std::filesystem;

TEST(ProgramDirectoryTest, AnyNameReachesItsOwnCatalogueAndPlayerPages) {
    const char* const names[] = {
        "a;b",   "x;Data Source=inj", "back\\slash", "a\\;b\\",      "say \"hi\" it's", "'lead",
        "#?%41", " two  spaces ",     "青禾 电视",   "$(id);`id`&=",
    };
    test::TempDir root;
    // What an injected "Data Source=inj" would open instead.
    fs::create_directories(root.path() / "inj");
    catalogue_files::CatalogueBuilder()
        .category(1, "inj", 1, 1)
        .write(root.path() / "inj" / catalogue::catalogue_file_name);
    const fs::path was = fs::current_path();
    fs::current_path(root.path());

    for (const char* name : names) {
        SCOPED_TRACE(name);
        const fs::path dir = root.path() / name;
        fs::create_directories(dir / "bg");
        catalogue_files::CatalogueBuilder().category(1, name, 1, 1).write(dir / catalogue::catalogue_file_name);
        std::ofstream(dir / "bg" / "tudou.htm") << "<p>player</p>";
        const std::string app_path = dir.string();

        sqlcipher::SqlcipherConnection connection(app_path);
        try {
            connection.open(catalogue::connection_string(app_path), "", "", adConnectUnspecified);
            auto categories = connection.open_recordset("select lb from vlb", CursorType::keyset, LockType::read_only,
                                                        adCmdUnspecified);
            EXPECT_EQ(categories->field("lb").text(), name) << "the catalogue beside the program";
        } catch (const PlatformError& e) {
            ADD_FAILURE() << "the catalogue beside the program does not open: " << e.what();
        }

        const QUrl url = browser_url(app_path + "\\bg\\tudou.htm?kwelo_iid=v?1", app_path);
        EXPECT_EQ(url.toLocalFile().toStdString(), (dir / "bg" / "tudou.htm").string());
        EXPECT_EQ(QUrl::fromPercentEncoding(url.query(QUrl::FullyEncoded).toUtf8()).toStdString(), "kwelo_iid=v?1");
    }
    fs::current_path(was);
}

}  // namespace
}  // namespace qinghe::platform::qt
