// qinghe-catalogue: builds, generates and dumps catalogue files (tavik.dll).

#include "platform/schema/tables.h"
#include "tools/catalogue_files/catalogue_data.h"
#include "tools/catalogue_files/catalogue_generator.h"
#include "tools/catalogue_files/catalogue_json.h"
#include "tools/catalogue_files/jet_writer.h"
#include "tools/catalogue_files/json_input.h"
#include "tools/catalogue_files/publisher_checks.h"
#include "tools/playlist_import/playlist_import.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

namespace cf = qinghe::catalogue_files;
namespace playlist_import = qinghe::playlist_import;

constexpr const char* usage =
    "Usage:\n"
    "  qinghe-catalogue create [--format jet [--password P] [--jet3] [--encode]] <in.json> <out.dll>\n"
    "      Write a catalogue file from a JSON description:\n"
    "      {\"vlb\": [{\"lb_id\": 1, \"lb\": \"电影\", \"c_id\": 3, \"px\": 1}, ...],\n"
    "       \"t1\": [{\"id\": 1, \"tit\": \"...\", \"player\": \"...\", \"lb_id\": 1,\n"
    "                \"up_dt\": \"2009-05-17 20:31:07\", \"adds\": \"$$土豆|id|第1集\"}, ...],\n"
    "       \"ad\": [{\"ad\": \"caption@#link@#...\"}]}\n"
    "      --format jet writes a Jet 4 database (.mdb) instead of SQLCipher, with\n"
    "      the database password P (default 3b71d0; \"\" for none); --jet3 writes\n"
    "      Jet 3, --encode RC4-encodes its pages as \"encode database\" does.\n"
    "  qinghe-catalogue generate --categories N --programmes M [--seed S] [--ads K] [--no-indexes]\n"
    "                           [--format jet [--password P] [--jet3] [--encode]] <out.dll>\n"
    "      Write a synthetic catalogue; the same options give the same contents.\n"
    "      Defaults: --seed 1, --ads 5. --no-indexes leaves the file without indexes.\n"
    "  qinghe-catalogue import [--base LOCATION] <playlist>... <out.dll>\n"
    "      Write a catalogue from M3U/M3U8 channel playlists (files, or - for\n"
    "      standard input). Each group becomes a category, in the order it first\n"
    "      appears (entries without one go to 未分类); each entry a programme\n"
    "      that plays its stream with the User-Agent, Referer and Origin the\n"
    "      playlist gives it. Relative entries count from the playlist's folder,\n"
    "      or from LOCATION (a URL or folder; a relative folder stays relative,\n"
    "      to the player pages). Text that is not UTF-8 is read as GB18030.\n"
    "      Lines that cannot be used are named on standard error and skipped.\n"
    "      Fails for input that is no playlist, a line over 1 MiB, a playlist\n"
    "      without entries and more than 1,000,000 entries.\n"
    "  qinghe-catalogue check <in.dll>\n"
    "      List what a publisher should fix: missing indexes, c_id values that differ\n"
    "      from the programmes listed, play lists the tree cannot split, Null titles.\n"
    "      Exit status 0 when nothing is found, 1 otherwise.\n"
    "  qinghe-catalogue dump <in.dll>\n"
    "      Print a catalogue file as JSON. Every row is printed; a value JSON\n"
    "      cannot hold (text that is not UTF-8, an infinite number) is printed as\n"
    "      near as it can be (U+FFFD for each invalid byte, null) and named on\n"
    "      standard error.\n"
    "  qinghe-catalogue convert <in.dll> <out.dll>\n"
    "      Write the catalogue of a Jet file (or of another catalogue) as an\n"
    "      SQLCipher catalogue with the same rows and the indexes generate writes.\n"
    "      check and dump read Jet files too.\n"
    "  qinghe-catalogue --help\n"
    "\n"
    "An existing output file is replaced only once the new one is complete, and\n"
    "only when it is a regular file; anything else there is left as it is.\n"
    "A JSON description may hold up to 256 MiB and nest up to 16 levels deep.\n"
    "Exit status: 0 on success, 1 when the work fails, 2 for wrong arguments.\n";

// Wrong arguments: reported with a pointer to --help, exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

template <typename Number>
Number parse_number(std::string_view option, std::string_view text, Number low, Number high) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        throw UsageError(std::string(option) + " needs a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not \"" + std::string(text) + "\"");
    }
    return value;
}

// The output format options shared by create and generate: --format
// sqlcipher|jet, and for Jet --password, --jet3 and --encode. Returns the
// arguments that are not format options.
struct Format {
    bool jet = false;
    cf::JetOptions jet_options;
};

std::vector<std::string> take_format(const std::vector<std::string>& args, Format& format) {
    std::vector<std::string> rest;
    bool jet_only = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--format" || arg == "--password") {
            if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "--password") {
                format.jet_options.password = value;
                jet_only = true;
            } else if (value == "jet") {
                format.jet = true;
            } else if (value != "sqlcipher") {
                throw UsageError("--format is sqlcipher or jet, not \"" + value + "\"");
            }
        } else if (arg == "--jet3") {
            format.jet_options.version = qinghe::jet::JetVersion::jet3;
            jet_only = true;
        } else if (arg == "--encode") {
            format.jet_options.encode = true;
            jet_only = true;
        } else {
            rest.push_back(arg);
        }
    }
    if (jet_only && !format.jet) throw UsageError("--password, --jet3 and --encode need --format jet");
    return rest;
}

int create(const std::vector<std::string>& all_args) {
    Format format;
    const std::vector<std::string> args = take_format(all_args, format);
    if (args.size() != 2) throw UsageError("create needs an input JSON file and an output file");
    cf::CatalogueData data;
    const std::string text = cf::read_input(args[0]);
    try {
        data = cf::parse_catalogue_json(text);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(args[0] + ": " + e.what());
    }
    if (format.jet)
        cf::write_jet_catalogue(args[1], data, format.jet_options);
    else
        cf::write_catalogue(args[1], data);
    return 0;
}

int generate(const std::vector<std::string>& all_args) {
    Format format;
    const std::vector<std::string> args = take_format(all_args, format);
    cf::GenerateOptions options;
    std::optional<std::string> output;
    bool have_categories = false;
    bool have_programmes = false;
    bool indexes = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--no-indexes") {
            indexes = false;
            continue;
        }
        if (arg.rfind("--", 0) != 0) {
            if (output) throw UsageError("generate takes one output file, got \"" + *output + "\" and \"" + arg + "\"");
            output = arg;
            continue;
        }
        if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
        const std::string& value = args[++i];
        if (arg == "--categories") {
            options.categories = parse_number<int>(arg, value, 0, qinghe::catalogue::max_category_id);
            have_categories = true;
        } else if (arg == "--programmes") {
            options.programmes = parse_number<std::int64_t>(arg, value, 0, 1'000'000'000);
            have_programmes = true;
        } else if (arg == "--seed") {
            options.seed = parse_number<std::uint32_t>(arg, value, 0, std::numeric_limits<std::uint32_t>::max());
        } else if (arg == "--ads") {
            options.ads = parse_number<int>(arg, value, 0, 100000);
        } else {
            throw UsageError("unknown option " + arg);
        }
    }
    if (!have_categories || !have_programmes) throw UsageError("generate needs --categories and --programmes");
    if (!output) throw UsageError("generate needs an output file");
    if (options.programmes > 0 && options.categories == 0) throw UsageError("programmes need at least one category");
    if (format.jet) {
        // A Jet file has no indexes of the catalogue's own.
        cf::generate_jet_catalogue(*output, options, format.jet_options);
        return 0;
    }
    cf::generate_catalogue(*output, options);
    if (!indexes) cf::drop_indexes(*output);
    return 0;
}

int import(const std::vector<std::string>& args) {
    playlist_import::ImportRequest request;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--base") {
            if (i + 1 >= args.size()) throw UsageError("--base needs a location");
            request.base = args[++i];
        } else if (args[i].rfind("--", 0) == 0) {
            throw UsageError("unknown option " + args[i]);
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() < 2) throw UsageError("import needs at least one playlist and an output file");
    request.output = files.back();
    files.pop_back();
    request.playlists = std::move(files);
    const playlist_import::ImportResult result = playlist_import::import_playlists(request, std::cerr);
    std::cerr << "qinghe-catalogue: " << request.output.string() << ": " << result.categories << " categories, "
              << result.programmes << " programmes\n";
    return 0;
}

int dump(const std::vector<std::string>& args) {
    if (args.size() != 1) throw UsageError("dump needs exactly one catalogue file");
    // Every row is written; a value JSON cannot hold as it is stored is
    // written as near as it can be and named here.
    const auto name_replaced = [](const std::string& where, const std::string& what) {
        std::cerr << "qinghe-catalogue: " << where << ": " << what << '\n';
    };
    const std::string text = cf::to_ordered_json(cf::read_catalogue(args[0]), name_replaced)
                                 .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::cout << text << '\n';
    std::cout.flush();
    if (!std::cout) throw std::runtime_error("cannot write to standard output");
    return 0;
}

int convert(const std::vector<std::string>& args) {
    if (args.size() != 2) throw UsageError("convert needs a catalogue file and an output file");
    cf::write_catalogue(args[1], cf::read_catalogue(args[0]));
    return 0;
}

int check(const std::vector<std::string>& args) {
    if (args.size() != 1) throw UsageError("check needs exactly one catalogue file");
    const std::vector<std::string> problems = cf::check_catalogue(args[0]);
    for (const std::string& problem : problems) std::cout << problem << '\n';
    std::cout.flush();
    return problems.empty() ? 0 : 1;
}

int run(const std::vector<std::string>& args) {
    if (args.empty()) throw UsageError("no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << usage;
        return 0;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "create") return create(rest);
    if (command == "generate") return generate(rest);
    if (command == "import") return import(rest);
    if (command == "dump") return dump(rest);
    if (command == "check") return check(rest);
    if (command == "convert") return convert(rest);
    throw UsageError("unknown command \"" + command + "\"");
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        std::cerr << "qinghe-catalogue: " << e.what() << " (see qinghe-catalogue --help)\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "qinghe-catalogue: " << e.what() << '\n';
        return 1;
    }
}
