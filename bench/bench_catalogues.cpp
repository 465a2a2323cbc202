#include "bench/bench_catalogues.h"

#include "tools/catalogue_files/catalogue_builder.h"
#include "tools/catalogue_files/catalogue_generator.h"
#include "tools/catalogue_files/jet_writer.h"
#include "tools/catalogue_files/publisher_checks.h"
#include "tools/playlist_import/playlist_import.h"

#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace qinghe::bench {

namespace cf = catalogue_files;

namespace {

std::filesystem::path root_dir;

// The directory names carry what shapes the contents, so a catalogue made
// with other sizes is never taken for this one.
std::string dir_name(CatalogueKind kind) {
    switch (kind) {
    case CatalogueKind::large:
        return "large-" + std::to_string(large_categories) + "c-" + std::to_string(large_programmes) + "p-s1";
    case CatalogueKind::large_unindexed:
        return dir_name(CatalogueKind::large) + "-unindexed";
    case CatalogueKind::paging:
        return "paging-" + std::to_string(paging_programmes) + "p";
    case CatalogueKind::play_list:
        return "play-list-" + std::to_string(play_list_groups) + "x" + std::to_string(play_list_videos);
    case CatalogueKind::ads:
        return "ads-" + std::to_string(ticker_ads);
    case CatalogueKind::imported:
        return "imported-" + std::to_string(imported_groups) + "g-" + std::to_string(imported_entries) + "e";
    case CatalogueKind::generated_like_imported:
        return "generated-" + std::to_string(imported_groups) + "c-" + std::to_string(imported_entries) + "p";
    case CatalogueKind::jet_like_imported:
        return dir_name(CatalogueKind::generated_like_imported) + "-jet";
    case CatalogueKind::small_generated:
        return "generated-" + std::to_string(imported_groups) + "c-" + std::to_string(small_programmes) + "p";
    case CatalogueKind::small_jet:
        return dir_name(CatalogueKind::small_generated) + "-jet";
    case CatalogueKind::paging_jet:
        return dir_name(CatalogueKind::paging) + "-jet";
    }
    throw std::logic_error("unknown catalogue kind");
}

void make_paging(const std::filesystem::path& file) {
    cf::CatalogueBuilder builder;
    builder.category(std::int64_t{paging_lb_id}, std::string("连续剧"), std::int64_t{paging_programmes},
                     std::int64_t{1});
    builder.category(std::int64_t{2}, std::string("短片"), std::int64_t{10}, std::int64_t{2});
    builder.programmes(paging_lb_id, paging_programmes, 1);
    builder.programmes(2, 10, paging_programmes + 1);
    builder.ad(std::string("青禾@#qinghe.example"));
    builder.write(file);
}

void make_play_list(const std::filesystem::path& file) {
    std::string adds;
    for (int g = 1; g <= play_list_groups; ++g) {
        adds += "$$土豆第" + std::to_string(g) + "组";
        for (int v = 1; v <= play_list_videos; ++v)
            adds += "|XN" + std::to_string(g * 1000 + v) + "|第" + std::to_string(v) + "集";
    }
    cf::CatalogueBuilder builder;
    builder.category(std::int64_t{1}, std::string("电视剧"), std::int64_t{1}, std::int64_t{1});
    builder.programme(std::int64_t{play_list_programme_id}, std::string("长篇连续剧"), std::int64_t{1}, adds);
    builder.ad(std::string("青禾@#qinghe.example"));
    builder.write(file);
}

void write_playlist(const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary);
    out << "#EXTM3U x-tvg-url=\"http://epg.example/guide.xml\"\n";
    for (long i = 0; i < imported_entries; ++i) {
        const long group = (i * 7919) % imported_groups;
        out << "#EXTINF:-1 tvg-id=\"ch" << i << "\" tvg-name=\"频道" << i << "\" tvg-logo=\"http://logo.example/" << i
            << ".png\" group-title=\"分组" << group << "\",频道 " << i << " 高清\n";
        if (i % 3 == 0)
            out << "#EXTVLCOPT:http-user-agent=Mozilla/5.0 (Box)\n#EXTVLCOPT:http-referrer=http://r.example/\n";
        out << "http://live" << i % 50 << ".example.com/hls/" << i << "/index.m3u8?token=t" << i << "\n";
    }
    if (!out.flush()) throw std::runtime_error("cannot write " + file.string());
}

void make(CatalogueKind kind, const std::filesystem::path& file) {
    switch (kind) {
    case CatalogueKind::large:
        cf::generate_catalogue(file, {large_categories, large_programmes, 1, ticker_ads});
        return;
    case CatalogueKind::large_unindexed:
        std::filesystem::copy_file(catalogue_file(CatalogueKind::large), file);
        cf::drop_indexes(file);
        return;
    case CatalogueKind::paging:
        make_paging(file);
        return;
    case CatalogueKind::play_list:
        make_play_list(file);
        return;
    case CatalogueKind::ads:
        cf::generate_catalogue(file, {3, 30, 1, ticker_ads});
        return;
    case CatalogueKind::imported: {
        std::ostringstream notes;
        playlist_import::import_playlists({{bench_playlist().string()}, std::nullopt, file}, notes);
        return;
    }
    case CatalogueKind::generated_like_imported:
        cf::generate_catalogue(file, {imported_groups, imported_entries, 1, 0});
        return;
    case CatalogueKind::jet_like_imported:
        cf::write_jet_catalogue(file, cf::read_catalogue(catalogue_file(CatalogueKind::generated_like_imported)), {});
        return;
    case CatalogueKind::small_generated:
        cf::generate_catalogue(file, {imported_groups, small_programmes, 1, 0});
        return;
    case CatalogueKind::small_jet:
        cf::write_jet_catalogue(file, cf::read_catalogue(catalogue_file(CatalogueKind::small_generated)), {});
        return;
    case CatalogueKind::paging_jet:
        cf::write_jet_catalogue(file, cf::read_catalogue(catalogue_file(CatalogueKind::paging)), {});
        return;
    }
}

}  // namespace

void set_catalogue_root(const std::filesystem::path& root) {
    root_dir = root;
}

std::filesystem::path catalogue_dir(CatalogueKind kind) {
    if (root_dir.empty()) throw std::runtime_error("no catalogue directory given (--catalogue_dir=DIR)");
    return root_dir / dir_name(kind);
}

std::filesystem::path bench_playlist() {
    if (root_dir.empty()) throw std::runtime_error("no catalogue directory given (--catalogue_dir=DIR)");
    const std::filesystem::path file =
        root_dir / ("playlist-" + std::to_string(imported_groups) + "g-" + std::to_string(imported_entries) + "e.m3u");
    if (!std::filesystem::is_regular_file(file)) {
        std::filesystem::create_directories(root_dir);
        write_playlist(file);
    }
    return file;
}

std::filesystem::path catalogue_file(CatalogueKind kind) {
    return catalogue_dir(kind) / "tavik.dll";
}

void make_missing_catalogues() {
    for (CatalogueKind kind : {CatalogueKind::ads, CatalogueKind::play_list, CatalogueKind::paging,
                               CatalogueKind::large, CatalogueKind::large_unindexed, CatalogueKind::imported,
                               CatalogueKind::generated_like_imported, CatalogueKind::jet_like_imported,
                               CatalogueKind::small_generated, CatalogueKind::small_jet, CatalogueKind::paging_jet}) {
        const std::filesystem::path file = catalogue_file(kind);
        if (std::filesystem::is_regular_file(file)) continue;
        std::cerr << "making catalogue " << file.string() << " ..." << std::flush;
        const auto start = std::chrono::steady_clock::now();
        std::filesystem::create_directories(file.parent_path());
        make(kind, file);
        const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::cerr << " " << seconds << " s\n";
    }
}

}  // namespace qinghe::bench
