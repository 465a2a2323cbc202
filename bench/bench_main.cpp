// qinghe_bench: the system's paths beside their raw baselines, on the
// offscreen Qt platform and catalogues kept in --catalogue_dir.
//
//   qinghe_bench --catalogue_dir=DIR [--make_catalogues_only] [benchmark options]
#include "bench/bench_catalogues.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

// Jet catalogues are cached in a directory of the run's own, never in the
// user's cache nor beside the catalogues, unless QINGHE_CACHE_DIR names one.
class RunCacheDirectory {
public:
    RunCacheDirectory() {
        if (std::getenv("QINGHE_CACHE_DIR") != nullptr) return;
        std::string name = (std::filesystem::temp_directory_path() / "qinghe-bench-cache-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr) return;
        made_ = name;
        setenv("QINGHE_CACHE_DIR", name.c_str(), 1);
    }
    ~RunCacheDirectory() {
        std::error_code ec;
        if (!made_.empty()) std::filesystem::remove_all(made_, ec);
    }
    RunCacheDirectory(const RunCacheDirectory&) = delete;
    RunCacheDirectory& operator=(const RunCacheDirectory&) = delete;

private:
    std::filesystem::path made_;
};

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const RunCacheDirectory cache_directory;

    // Take out this program's own options before the benchmark library sees
    // the rest.
    std::vector<char*> rest;
    bool make_only = false;
    constexpr std::string_view dir_option = "--catalogue_dir=";
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (i > 0 && arg.rfind(dir_option, 0) == 0)
            qinghe::bench::set_catalogue_root(std::string(arg.substr(dir_option.size())));
        else if (i > 0 && arg == "--make_catalogues_only")
            make_only = true;
        else
            rest.push_back(argv[i]);
    }
    int rest_count = static_cast<int>(rest.size());
    rest.push_back(nullptr);

    try {
        qinghe::bench::make_missing_catalogues();
    } catch (const std::exception& e) {
        std::cerr << "qinghe_bench: " << e.what() << '\n';
        return 1;
    }
    if (make_only) return 0;

    QApplication application(rest_count, rest.data());
    benchmark::Initialize(&rest_count, rest.data());
    if (benchmark::ReportUnrecognizedArguments(rest_count, rest.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
