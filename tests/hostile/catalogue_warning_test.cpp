// What a person running the program from a terminal learns about a catalogue
// it cannot use: one warning naming the file and the reason, and a debug line
// for each step that failed because of it.
#include "hostile/hostile_support.h"

#include "platform/base/diagnostics.h"
#include "platform/jet/jet_header.h"
#include "tools/catalogue_files/jet_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>

namespace qinghe::test::hostile {
namespace {

using catalogue_files::CatalogueBuilder;
using platform::DiagnosticTopic;

// Keeps every line, by topic, for as long as it is installed.
class KeptDiagnostics final : public platform::Diagnostics {
public:
    KeptDiagnostics() : previous_(platform::install_diagnostics(this)) {}
    ~KeptDiagnostics() override { platform::install_diagnostics(previous_); }
    KeptDiagnostics(const KeptDiagnostics&) = delete;
    KeptDiagnostics& operator=(const KeptDiagnostics&) = delete;

    bool wants_debug(DiagnosticTopic) const noexcept override { return true; }
    void warning(DiagnosticTopic topic, const std::string& message) noexcept override {
        (topic == DiagnosticTopic::catalogue ? catalogue_warnings : other_warnings).push_back(message);
    }
    void debug(DiagnosticTopic topic, const std::string& message) noexcept override {
        if (topic == DiagnosticTopic::handler) skipped_steps.push_back(message);
    }

    V catalogue_warnings, other_warnings, skipped_steps;

private:
    platform::Diagnostics* previous_;
};

CatalogueBuilder small_catalogue() {
    CatalogueBuilder c;
    c.category(1, "电影", 1, 1).programme(11, "西游记", 1, "$$土豆|a1|第1集", 5, "吴承恩");
    c.ad("新浪@#sina.com.cn");
    return c;
}

void write_jet(const std::filesystem::path& file, const std::string& password) {
    catalogue_files::JetOptions options;
    options.password = password;
    catalogue_files::write_jet_catalogue(file, small_catalogue().data(), options);
}

void write_bytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

struct Unusable {
    const char* what;
    std::function<void(const std::filesystem::path& file)> place;
    // The warning after "cannot open the catalogue <file>" or "the catalogue
    // <file>"; empty when there is none.
    std::string warning;
};

const Unusable unusable_catalogues[] = {
    {"missing", [](const auto&) {}, ": the file does not exist"},
    {"a directory", [](const auto& file) { std::filesystem::create_directory(file); },
     ": the file cannot be read: it is a directory"},
    {"wrong password", [](const auto& file) { small_catalogue().write(file, "not-the-password"); },
     ": wrong password, or the file is not a catalogue"},
    {"not a database", [](const auto& file) { write_bytes(file, std::string(5000, 'x')); },
     ": wrong password, or the file is not a catalogue"},
    {"empty", [](const auto& file) { write_bytes(file, ""); },
     ": wrong password, or the file is not a catalogue (it holds no tables)"},
    {"no ad table",
     [](const auto& file) {
         CatalogueBuilder c = small_catalogue();
         drop_table(c, "ad");
         c.write(file);
     },
     " is incomplete: table ad is missing"},
    {"two columns missing",
     [](const auto& file) {
         CatalogueBuilder c = small_catalogue();
         drop_column(c, "t1", "adds");
         drop_column(c, "vlb", "px");
         c.write(file);
     },
     " is incomplete: column vlb.px is missing; column t1.adds is missing"},
    {"intact", [](const auto& file) { small_catalogue().write(file); }, ""},
    {"Jet file with another password", [](const auto& file) { write_jet(file, "another"); },
     ": wrong password: the Jet file holds another database password"},
    {"Jet file cut after its first page",
     [](const auto& file) {
         write_jet(file, catalogue::database_password);
         std::filesystem::resize_file(file, qinghe::jet::jet4_page_size);
     },
     ": the file's list of tables cannot be read"},
    {"Jet file", [](const auto& file) { write_jet(file, catalogue::database_password); }, ""},
    {"Jet file without a password", [](const auto& file) { write_jet(file, ""); }, ""},
};

TEST(CatalogueWarning, OneWarningNamesTheFileAndTheReason) {
    for (const Unusable& u : unusable_catalogues) {
        SCOPED_TRACE(u.what);
        FormFixture f;
        const std::string file = (f.catalogue_file()).string();
        u.place(file);
        KeptDiagnostics diagnostics;
        f.start();

        const bool opens = u.warning.empty() || u.warning.rfind(" is incomplete", 0) == 0;
        EXPECT_EQ(f.form().connection().is_open(), opens);
        const std::string lead = opens ? "the catalogue " : "cannot open the catalogue ";
        EXPECT_EQ(diagnostics.catalogue_warnings, u.warning.empty() ? V{} : V{lead + file + u.warning});
        EXPECT_EQ(diagnostics.other_warnings, V{});
    }
}

TEST(CatalogueWarning, AFileThePermissionsKeepFromThisUserCannotBeRead) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    FormFixture f(small_catalogue());
    const std::filesystem::path file = f.catalogue_file();
    std::filesystem::permissions(file, std::filesystem::perms::none);
    KeptDiagnostics diagnostics;
    f.start();
    EXPECT_EQ(diagnostics.catalogue_warnings,
              V{"cannot open the catalogue " + file.string() + ": the file cannot be read: Permission denied"});
}

TEST(CatalogueWarning, EachSkippedStepIsADebugLineNamingItsFunctionAndReason) {
    FormFixture f;
    KeptDiagnostics diagnostics;
    f.start();
    ASSERT_FALSE(diagnostics.skipped_steps.empty());
    const std::string& load = diagnostics.skipped_steps.front();
    EXPECT_EQ(load.rfind("app::Form1::Form_Load (line ", 0), 0U) << load;
    EXPECT_TRUE(load.ends_with("): step skipped: the file does not exist")) << load;
    // The queries that followed failed on the closed connection, each in its
    // own handler.
    const std::string all = [&] {
        std::string joined;
        for (const std::string& line : diagnostics.skipped_steps) joined += line + "\n";
        return joined;
    }();
    EXPECT_NE(all.find("ticker::build_ticker (line "), std::string::npos) << all;
    EXPECT_NE(all.find("tree::CategoryFill::CategoryFill (line "), std::string::npos) << all;

    // The intact catalogue skips nothing.
    FormFixture intact(small_catalogue());
    KeptDiagnostics quiet;
    intact.start();
    EXPECT_EQ(quiet.skipped_steps, V{});
}

}  // namespace
}  // namespace qinghe::test::hostile
