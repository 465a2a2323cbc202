#include "tools/playlist_import/playlist_import.h"

#include "catalogue/queries.h"
#include "platform/schema/play_list.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "support/temp_dir.h"
#include "tools/catalogue_files/publisher_checks.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace qinghe::playlist_import {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

void write_file(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

// The catalogue in dir/tavik.dll as the program lists it: each category as
// "name (c_id)", then its first page of programmes as "title = identifier"
// (the identifier of the play list's only video), through the program's own
// connection and queries.
std::string listing(const fs::path& dir) {
    platform::sqlcipher::SqlcipherConnection connection(dir.string());
    catalogue::open_catalogue(connection, dir.string());
    std::ostringstream out;
    auto categories = catalogue::open_category_query(connection);
    catalogue::ReleaseOnExit release_categories(categories);
    catalogue::walk_rows(categories, -1, [&](const platform::Recordset& category, long) {
        out << category.field("lb").text() << " (" << category.field("c_id").text() << ")\n";
        auto page = catalogue::open_first_page_query(connection, category.field("lb_id").to_int16());
        catalogue::ReleaseOnExit release_page(page);
        catalogue::walk_rows(page, 50, [&](const platform::Recordset& programme, long) {
            auto row = catalogue::open_programme_query(connection, programme.field("id").text());
            catalogue::ReleaseOnExit release_row(row);
            const auto groups = catalogue::play_list::groups(row->field("adds").text());
            const auto fields = catalogue::play_list::group_fields(groups.at(1));
            EXPECT_EQ(groups.size(), 2u);
            EXPECT_EQ(fields.size(), 3u);
            out << "  " << programme.field("tit").text() << " = " << fields.at(1) << "\n";
        });
    });
    return out.str();
}

struct Imported {
    std::string listing;
    std::string notes;
};

// Imports the playlists (written as dir/<name>) into dir/tavik.dll.
Imported import(const TempDir& dir, const std::vector<std::pair<std::string, std::string>>& playlists,
                std::optional<std::string> base = std::nullopt) {
    ImportRequest request{{}, std::move(base), dir.path() / "tavik.dll"};
    for (const auto& [name, text] : playlists) {
        write_file(dir.path() / name, text);
        request.playlists.push_back((dir.path() / name).string());
    }
    std::ostringstream notes;
    import_playlists(request, notes);
    EXPECT_EQ(catalogue_files::check_catalogue(dir.path() / "tavik.dll"), std::vector<std::string>{});
    return {listing(dir.path()), notes.str()};
}

struct DialectCase {
    const char* what;
    std::string playlist;
    std::string expected;  // the listing, with "@" standing for the playlist's folder
};

TEST(PlaylistImport, EachDialectGivesTheTreeItDescribes) {
    const std::vector<DialectCase> cases = {
        {"attributes in any order, quoted or not; a comma inside quotes; the title after the first comma",
         "#EXTM3U\n#EXTINF:-1 group-title=新闻 tvg-name='A, B' tvg-id=\"x\",CCTV-13, 新闻\nhttp://h/13.m3u8\n"
         "#EXTINF:-1 tvg-logo=\"http://l/1.png\" group-title=\"新闻\",凤凰资讯\nhttp://h/fh.m3u8\n",
         "新闻 (2)\n  CCTV-13, 新闻 = http://h/13.m3u8\n  凤凰资讯 = http://h/fh.m3u8\n"},
        {"groups in first-appearance order; a ';' list puts the entry in each; no group goes to 未分类",
         "#EXTM3U\n#EXTINF:-1 group-title=\"卫视;高清\",湖南\nhttp://h/1\n#EXTINF:-1,无组\nhttp://h/2\n"
         "#EXTINF:-1 group-title=\"高清\",东方\nhttp://h/3\n",
         "卫视 (1)\n  湖南 = http://h/1\n高清 (2)\n  湖南 = http://h/1\n  东方 = http://h/3\n"
         "未分类 (1)\n  无组 = http://h/2\n"},
        {"#EXTGRP names the group of the entries after it; group-title outranks it",
         "#EXTM3U\n#EXTGRP:电影\n#EXTINF:-1,甲\nhttp://h/a\n#EXTINF:-1 group-title=体育,乙\nhttp://h/b\n"
         "#EXTINF:-1,丙\n#EXTGRP:纪录\nhttp://h/c\n",
         "电影 (1)\n  甲 = http://h/a\n体育 (1)\n  乙 = http://h/b\n纪录 (1)\n  丙 = http://h/c\n"},
        {"player options and the address's own suffix become headers; other options and directives are skipped",
         "#EXTM3U\n#EXTINF:-1,甲\n#EXTVLCOPT:http-user-agent=Box/1.0 (Linux)\n#EXTVLCOPT:http-referrer=http://r/\n"
         "#EXTVLCOPT:network-caching=1000\n#KODIPROP:inputstream=adaptive\nhttp://h/a.m3u8\n"
         "#EXTINF:-1,乙\n#EXTVLCOPT:http-origin=http://o\nhttp://h/b.flv|User-Agent=Kodi%2F19&Referer=http://k/&X=1\n",
         "未分类 (2)\n  甲 = http://h/a.m3u8%7CUser-Agent=Box/1.0%20(Linux)&Referer=http://r/\n"
         "  乙 = http://h/b.flv%7CUser-Agent=Kodi/19&Referer=http://k/&Origin=http://o\n"},
        {"#EXTM3U attributes give every entry a header; the entry's own outrank them",
         "#EXTM3U url-tvg=\"http://epg\" user-agent=\"TV\"\n#EXTINF:-1,甲\nhttp://h/a\n"
         "#EXTINF:-1 user-agent=\"Own\",乙\nhttp://h/b\n",
         "未分类 (2)\n  甲 = http://h/a%7CUser-Agent=TV\n  乙 = http://h/b%7CUser-Agent=Own\n"},
        {"a byte order mark, CRLF and lone CR line ends, blank lines and blanks around",
         "\xEF\xBB\xBF#EXTM3U\r\n\r\n  #EXTINF:-1 group-title=\"体育\",  CCTV-5  \r\n  http://h/5.m3u8  \r\r\n"
         "#EXTINF:-1,CCTV-6\rhttp://h/6.m3u8",
         "体育 (1)\n  CCTV-5 = http://h/5.m3u8\n未分类 (1)\n  CCTV-6 = http://h/6.m3u8\n"},
        {"no title: the address's last segment, decoded",
         "#EXTM3U\n#EXTINF:-1,\nhttp://h/live/%E4%B8%80%E5%8F%B0.m3u8?token=1\n#EXTINF:-1\nhttp://h/dir/\n"
         "http://h\n",
         "未分类 (3)\n  一台.m3u8 = http://h/live/%E4%B8%80%E5%8F%B0.m3u8?token=1\n  dir = http://h/dir/\n"
         "  h = http://h\n"},
        {"relative addresses count from the playlist's folder; file: addresses become paths",
         "#EXTM3U\n#EXTINF:-1,甲\nmedia/../clips/a.mp4\n#EXTINF:-1,乙\n/srv/b.ts\n#EXTINF:-1,丙\nfile:///srv/"
         "c%20d.mp4\n",
         "未分类 (3)\n  甲 = @clips/a.mp4\n  乙 = /srv/b.ts\n  丙 = /srv/c d.mp4\n"},
        {"GBK text is read as GB18030",
         "#EXTM3U\n#EXTINF:-1 group-title=\"\xD1\xEB\xCA\xD3\",\xD6\xD0\xCE\xC4\nhttp://h/zw\n",
         "央视 (1)\n  中文 = http://h/zw\n"},
        {"a \"$$\" in an address is written so the play list still splits", "#EXTM3U\n#EXTINF:-1,甲\nhttp://h/a$$b$c\n",
         "未分类 (1)\n  甲 = http://h/a%24$b$c\n"},
        {"lines that cannot be used are skipped and the rest imported",
         "#EXTM3U\n#EXTINF:-1,孤儿\n#EXTINF:-1,甲\nhttp://h/a\nnot an address\njavascript:alert(1)\n"
         "#EXTVLCOPT:broken\n#EXTINF:-1,乙\nhttp://h/b\n",
         "未分类 (2)\n  甲 = http://h/a\n  乙 = http://h/b\n"},
    };
    for (const DialectCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::string expected = c.expected;
        const std::string folder = dir.path().string() + "/";
        for (auto at = expected.find('@'); at != std::string::npos; at = expected.find('@', at + folder.size()))
            expected.replace(at, 1, folder);
        EXPECT_EQ(import(dir, {{"list.m3u", c.playlist}}).listing, expected);
    }
}

TEST(PlaylistImport, SkippedLinesAndDecodingAreNamedWithTheirLineNumbers) {
    TempDir dir;
    const Imported result = import(dir, {{"list.m3u",
                                          "#EXTM3U\n#EXTINF:-1,孤儿\n#EXTINF:-1,甲\nhttp://h/a\nnot an address\n"
                                          "#KODIPROP:x=y\n#EXTINF:-1,\xD6\xD0\nhttp://h/b\n"}});
    const std::string list = (dir.path() / "list.m3u").string();
    EXPECT_NE(result.notes.find(list + ":2: #EXTINF without a stream address after it; skipped"), std::string::npos)
        << result.notes;
    EXPECT_NE(result.notes.find(list + ":5: the line is neither an address nor a file; skipped"), std::string::npos);
    EXPECT_NE(result.notes.find("line 7 first); it was read as GB18030"), std::string::npos);
    EXPECT_NE(result.notes.find("2 entries, 2 lines skipped, 1 directives not used"), std::string::npos);
}

TEST(PlaylistImport, SeveralPlaylistsShareCategoriesAndEachResolvesFromItsOwnFolderOrTheBase) {
    TempDir dir;
    fs::create_directory(dir.path() / "sub");
    const std::vector<std::pair<std::string, std::string>> lists = {
        {"a.m3u", "#EXTINF:-1 group-title=G,甲\na.mp4\n"},
        {"sub/b.m3u", "#EXTINF:-1 group-title=H,乙\nb.mp4\n#EXTINF:-1 group-title=G,丙\n//cdn/c.m3u8\nhttp://h/d\n"},
    };
    const std::string folder = dir.path().string();
    EXPECT_EQ(import(dir, {lists[0]}).listing, "G (1)\n  甲 = " + folder + "/a.mp4\n");
    // "//cdn/..." needs a scheme to count from, which a folder has not.
    EXPECT_EQ(import(dir, {lists[1]}).listing,
              "H (1)\n  乙 = " + folder + "/sub/b.mp4\n未分类 (1)\n  d = http://h/d\n");
    EXPECT_EQ(import(dir, lists, "http://base/x").listing,
              "G (2)\n  甲 = http://base/x/a.mp4\n  丙 = http://cdn/c.m3u8\nH (1)\n  乙 = http://base/x/b.mp4\n"
              "未分类 (1)\n  d = http://h/d\n");
    EXPECT_EQ(import(dir, {lists[0]}, "media").listing, "G (1)\n  甲 = media/a.mp4\n");
}

TEST(PlaylistImport, InputThatCannotBeImportedFailsAndLeavesTheOutputAsItWas) {
    const std::string long_line = "#EXTM3U\n#EXTINF:-1," + std::string(std::size_t{1} << 20, 'x') + "\nhttp://h/a\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{\"vlb\": []}\n", "line 1 shows this is not a playlist"},
        {std::string("\x89PNG\r\n\x1A\n\0\0", 10), "line 1 shows this is not a playlist"},
        {"#EXTM3U\n#EXT-X-TARGETDURATION:6\n#EXTINF:6,\nseg1.ts\n", "the playlist of one HLS stream"},
        {long_line, "line 2 is longer than 1 MiB"},
        {"#EXTM3U\n# only a comment\n\n", "the playlist holds no entries"},
        {"", "the playlist holds no entries"},
        {"#EXTM3U\n#EXTINF:-1,甲\nnot an address\n", "the playlist holds no entries"},
    };
    TempDir dir;
    write_file(dir.path() / "tavik.dll", "the old file");
    for (const auto& [text, error] : cases) {
        SCOPED_TRACE(error);
        write_file(dir.path() / "bad.m3u", text);
        std::ostringstream notes;
        try {
            import_playlists({{(dir.path() / "bad.m3u").string()}, std::nullopt, dir.path() / "tavik.dll"}, notes);
            ADD_FAILURE() << "imported";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(error), std::string::npos) << e.what();
        }
        std::ifstream in(dir.path() / "tavik.dll");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the old file");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
    }
}

TEST(PlaylistImport, MoreThanTheMostEntriesFails) {
    TempDir dir;
    std::string text = "#EXTM3U\n";
    for (int i = 0; i <= 1000; ++i) text += "a.ts\n";
    write_file(dir.path() / "big.m3u", text);
    std::ostringstream notes;
    ImportRequest request{{(dir.path() / "big.m3u").string()}, std::nullopt, dir.path() / "out.dll"};
    request.max_entries = 1000;
    EXPECT_THROW(import_playlists(request, notes), std::runtime_error);
    EXPECT_FALSE(fs::exists(dir.path() / "out.dll"));
}

}  // namespace
}  // namespace qinghe::playlist_import
