#include "tools/playlist_import/playlist_import.h"

#include "platform/base/stream_headers.h"
#include "platform/schema/play_list.h"
#include "platform/schema/tables.h"
#include "tools/catalogue_files/catalogue_writer.h"
#include "tools/playlist_import/line_reader.h"
#include "tools/playlist_import/playlist_parser.h"
#include "tools/playlist_import/stream_address.h"
#include "tools/playlist_import/text_encoding.h"

#include <stdexcept>
#include <unordered_map>

namespace qinghe::playlist_import {

namespace {

namespace cf = catalogue_files;
using catalogue::play_list::field_separator;
using catalogue::play_list::group_separator;

constexpr std::size_t max_categories = catalogue::max_category_id;

// Programme rows at most: an entry listed in many groups is one row in each.
constexpr std::size_t max_programmes = 2'000'000;
// Skipped lines named one by one per playlist; the rest are counted.
constexpr std::size_t max_named_lines = 20;

std::string display_name(const std::string& playlist) {
    return playlist == "-" ? "standard input" : playlist;
}

std::string default_base(const std::string& playlist) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path folder = playlist == "-" ? fs::current_path(ec) : fs::absolute(playlist, ec).parent_path();
    if (ec) throw std::runtime_error("cannot tell where " + display_name(playlist) + " lies: " + ec.message());
    return base_folder(folder.lexically_normal().string());
}

// The video identifier and play list of an entry: one group, one video.
std::string play_list(const PlaylistEntry& entry) {
    std::string address = entry.address;
    // "$$" would cut the play list; "%24" names the same byte to a server.
    for (std::size_t at = address.find(group_separator); at != std::string::npos;
         at = address.find(group_separator, at)) {
        address.replace(at, 1, "%24");
        ++at;
    }
    std::string adds(group_separator);
    adds += play_group_label;
    adds += field_separator;
    adds += platform::with_stream_headers(address, entry.headers);
    adds += field_separator;
    adds += video_title;
    return adds;
}

// What the search finds besides the title: the guide's name and id.
std::string player_text(const PlaylistEntry& entry) {
    std::string text = entry.tvg_name;
    if (!entry.tvg_id.empty() && entry.tvg_id != entry.tvg_name) text += (text.empty() ? "" : " ") + entry.tvg_id;
    return text;
}

class CatalogueFill {
public:
    explicit CatalogueFill(const std::filesystem::path& output) : writer_(output, catalogue::database_password) {
        writer_.begin_table(catalogue::programme_table, cf::usual_columns(catalogue::programme_table));
    }

    void add(const PlaylistEntry& entry) {
        const std::string title = entry.title.empty() ? last_segment(entry.address) : entry.title;
        const std::string adds = play_list(entry);
        const std::string player = player_text(entry);
        static const std::vector<std::string> no_group{ungrouped};
        for (const std::string& group : entry.groups.empty() ? no_group : entry.groups) {
            if (programmes_ == max_programmes)
                throw std::runtime_error("more than " + std::to_string(max_programmes) +
                                         " programmes (entries times their groups)");
            ++programmes_;
            cf::detail::Statement& insert = writer_.insert_statement();
            insert.bind_integer(1, static_cast<std::int64_t>(programmes_));
            insert.bind_text(2, title);
            insert.bind_text(3, player);
            insert.bind_integer(4, category_of(group));
            // Listings show the largest up_dt first: counting down keeps
            // each category in playlist order.
            insert.bind_integer(5, -static_cast<std::int64_t>(programmes_));
            insert.bind_text(6, adds);
            writer_.insert();
        }
    }

    ImportResult finish(std::size_t entries) {
        writer_.begin_table(catalogue::category_table, cf::usual_columns(catalogue::category_table));
        for (std::size_t i = 0; i < names_.size(); ++i) {
            const auto id = static_cast<std::int64_t>(i + 1);
            writer_.add_row({id, names_[i], counts_[i], id});
        }
        writer_.begin_table(catalogue::ad_table, cf::usual_columns(catalogue::ad_table));
        writer_.add_row({std::string()});
        writer_.finish();
        return {entries, names_.size(), programmes_};
    }

private:
    std::int64_t category_of(const std::string& group) {
        auto [found, added] = ids_.try_emplace(group, names_.size());
        if (added) {
            if (names_.size() == max_categories)
                throw std::runtime_error("more than " + std::to_string(max_categories) +
                                         " groups; a catalogue holds that many categories at most");
            names_.push_back(group);
            counts_.push_back(0);
        }
        ++counts_[found->second];
        return static_cast<std::int64_t>(found->second + 1);
    }

    cf::detail::CatalogueWriter writer_;
    std::unordered_map<std::string, std::size_t> ids_;
    std::vector<std::string> names_;
    std::vector<std::int64_t> counts_;
    std::size_t programmes_ = 0;
};

// Whether a playlist's first line that is not a plain comment shows a
// playlist: an extended directive or an address.
enum class Start { undecided, playlist, not_playlist };

Start judge_start(std::string_view line, const std::string& base) {
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    line.remove_prefix(i);
    if (line.empty()) return Start::undecided;
    if (line.front() == '#') {
        const bool extended = line.size() >= 4 && (line[1] == 'E' || line[1] == 'e') &&
                              (line[2] == 'X' || line[2] == 'x') && (line[3] == 'T' || line[3] == 't');
        return extended ? Start::playlist : Start::undecided;
    }
    std::string why;
    return resolve_address(line.substr(0, line.find('|')), base, why) ? Start::playlist : Start::not_playlist;
}

void read_playlist(const std::string& playlist, const std::string& base, CatalogueFill& fill, std::size_t max_entries,
                   std::size_t& total_entries, std::ostream& notes) {
    const std::string name = display_name(playlist);
    std::size_t bad_lines = 0;
    const auto on_bad_line = [&](std::size_t number, const std::string& why) {
        if (bad_lines++ < max_named_lines)
            notes << "qinghe-catalogue: " << name << ":" << number << ": " << why << "; skipped\n";
    };
    const auto on_entry = [&](PlaylistEntry&& entry) {
        if (total_entries == max_entries)
            throw std::runtime_error(name + ": more than " + std::to_string(max_entries) +
                                     " entries, the most one import takes");
        ++total_entries;
        fill.add(entry);
    };
    PlaylistParser parser(base, on_entry, on_bad_line);
    LineReader reader(playlist);
    Start start = Start::undecided;
    std::size_t first_gb18030 = 0;
    std::string decoded;
    std::string_view line;
    try {
        while (reader.next(line)) {
            const std::size_t number = reader.line_number();
            if (number == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
            const bool has_nul = line.find('\0') != std::string_view::npos;
            if (!has_nul && !is_utf8(line)) {
                std::optional<std::string> text = gb18030_to_utf8(line);
                if (text) {
                    if (first_gb18030 == 0) first_gb18030 = number;
                    decoded = std::move(*text);
                    line = decoded;
                }
            }
            const bool unreadable = has_nul || !is_utf8(line);
            if (start == Start::undecided) start = unreadable ? Start::not_playlist : judge_start(line, base);
            if (start == Start::not_playlist)
                throw std::runtime_error("line " + std::to_string(number) +
                                         " shows this is not a playlist (an M3U playlist starts with #EXTM3U, "
                                         "#EXTINF or a stream address)");
            if (unreadable) {
                on_bad_line(number, has_nul ? "the line holds a NUL byte" : "the line is neither UTF-8 nor GB18030");
                continue;
            }
            parser.line(line, number);
        }
        parser.finish();
    } catch (const std::runtime_error& e) {
        const std::string what = e.what();
        throw std::runtime_error(what.rfind(name, 0) == 0 ? what : name + ": " + what);
    }
    if (first_gb18030 != 0)
        notes << "qinghe-catalogue: " << name << ": the text is not UTF-8 (line " << first_gb18030
              << " first); it was read as GB18030 (GBK)\n";
    if (bad_lines > max_named_lines)
        notes << "qinghe-catalogue: " << name << ": " << bad_lines - max_named_lines << " more lines skipped\n";
    if (parser.entries() == 0) throw std::runtime_error(name + ": the playlist holds no entries");
    notes << "qinghe-catalogue: " << name << ": " << parser.entries()
          << (parser.entries() == 1 ? " entry" : " entries");
    if (bad_lines > 0) notes << ", " << bad_lines << " lines skipped";
    if (parser.skipped_directives() > 0) notes << ", " << parser.skipped_directives() << " directives not used";
    notes << '\n';
}

}  // namespace

ImportResult import_playlists(const ImportRequest& request, std::ostream& notes) {
    if (request.playlists.empty()) throw std::runtime_error("no playlist given");
    for (const std::string& playlist : request.playlists) {
        std::error_code ec;
        if (playlist != "-" && std::filesystem::equivalent(playlist, request.output, ec))
            throw std::runtime_error(playlist + " is both a playlist and the output; it is left as it is");
    }
    std::size_t entries = 0;
    try {
        CatalogueFill fill(request.output);
        for (const std::string& playlist : request.playlists)
            read_playlist(playlist, request.base ? base_folder(*request.base) : default_base(playlist), fill,
                          request.max_entries, entries, notes);
        return fill.finish(entries);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error("cannot import into " + request.output.string() + ": " + e.what());
    }
}

}  // namespace qinghe::playlist_import
