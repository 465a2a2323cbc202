#include "tools/catalogue_files/catalogue_generator.h"

#include "platform/schema/play_list.h"
#include "platform/schema/tables.h"
#include "tools/catalogue_files/catalogue_data.h"
#include "tools/catalogue_files/catalogue_writer.h"
#include "tools/catalogue_files/generator_words.h"
#include "tools/catalogue_files/jet_writer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace qinghe::catalogue_files {
namespace {

// splitmix64: small, fast and the same on every platform, unlike the
// standard library's distributions.
class Prng {
public:
    explicit Prng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A number in [0, bound); bound > 0. The modulo bias is far below
    // anything a synthetic catalogue could show.
    std::uint64_t below(std::uint64_t bound) { return next() % bound; }
    // True with the given chance in percent.
    bool percent(unsigned chance) { return below(100) < chance; }
    std::string_view pick(std::span<const std::string_view> list) { return list[below(list.size())]; }

private:
    std::uint64_t state_;
};

constexpr int max_ads = 100000;

void append_name(Prng& prng, std::string& out) {
    out += prng.pick(words::surnames);
    out += prng.pick(words::given_names);
}

void make_title(Prng& prng, std::string& out) {
    out.clear();
    if (prng.percent(15)) {
        if (prng.percent(40)) out += prng.pick(words::title_prefixes);
        out += prng.pick(words::classic_titles);
    } else {
        if (prng.percent(15)) out += prng.pick(words::title_prefixes);
        const std::string_view head = prng.pick(words::title_heads);
        std::string_view tail = prng.pick(words::title_tails);
        while (tail == head) tail = prng.pick(words::title_tails);
        out += head;
        out += tail;
    }
    const auto suffix = prng.below(10);
    if (suffix == 0)
        out += " 第" + std::to_string(prng.below(5) + 2) + "部";
    else if (suffix == 1)
        out += " 第" + std::to_string(prng.below(8) + 1) + "季";
    else if (suffix == 2)
        out += "（高清）";
}

void make_player(Prng& prng, std::string& out) {
    out = "主演：";
    const auto actors = prng.below(3) + 1;
    for (std::uint64_t i = 0; i < actors; ++i) {
        if (i > 0) out += "、";
        append_name(prng, out);
    }
    out += " 导演：";
    append_name(prng, out);
}

// A sortable text timestamp between 2005-01-01 and 2012-12-31.
void make_up_dt(Prng& prng, std::string& out) {
    // Days since 2005-01-01 to a civil date (Howard Hinnant's algorithm).
    const auto day = static_cast<long>(prng.below(2922)) + 12784;  // 12784: days from 1970 to 2005
    const long z = day + 719468;
    const long era = z / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long d = doy - (153 * mp + 2) / 5 + 1;
    const long m = mp < 10 ? mp + 3 : mp - 9;
    const long y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    const auto second = static_cast<long>(prng.below(86400));
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", static_cast<int>(y), static_cast<int>(m),
                  static_cast<int>(d), static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60),
                  static_cast<int>(second % 60));
    out = text;
}

void append_identifier(Prng& prng, std::string& out, std::size_t length) {
    static constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (std::size_t i = 0; i < length; ++i) out += alphabet[prng.below(alphabet.size())];
}

void append_digits(Prng& prng, std::string& out, std::size_t length) {
    out += static_cast<char>('1' + prng.below(9));
    for (std::size_t i = 1; i < length; ++i) out += static_cast<char>('0' + prng.below(10));
}

// One to three groups, each on a different site, all with the same
// episodes: "$$土豆|id|第1集|id|第2集$$优酷|...".
void make_play_list(Prng& prng, std::string& out) {
    out.clear();
    std::array<int, 3> sites = {0, 1, 2};
    for (std::size_t i = sites.size() - 1; i > 0; --i) std::swap(sites[i], sites[prng.below(i + 1)]);
    const auto roll = prng.below(100);
    const std::size_t groups = roll < 50 ? 1 : roll < 85 ? 2 : 3;
    const auto episodes = prng.percent(70) ? 1 : prng.below(5) + 2;
    const std::string_view single_title = prng.pick(words::single_video_titles);
    for (std::size_t g = 0; g < groups; ++g) {
        out += catalogue::play_list::group_separator;
        const int site = sites[g];
        out += prng.pick(site == 0 ? words::tudou_labels : site == 1 ? words::youku_labels : words::sina_labels);
        for (std::uint64_t e = 1; e <= episodes; ++e) {
            out += catalogue::play_list::field_separator;
            if (site == 0) {
                append_identifier(prng, out, 11);
            } else if (site == 1) {
                out += "XN";
                append_identifier(prng, out, 10);
            } else {
                append_digits(prng, out, 8);
            }
            out += catalogue::play_list::field_separator;
            if (episodes == 1)
                out += single_title;
            else
                out += "第" + std::to_string(e) + "集";
        }
    }
}

// Category weights fall off as 1/rank over a shuffled ranking, so a few
// categories hold most programmes and which ones is up to the seed.
std::vector<std::uint64_t> cumulative_weights(Prng& prng, int categories) {
    std::vector<std::uint64_t> rank(static_cast<std::size_t>(categories));
    for (std::size_t i = 0; i < rank.size(); ++i) rank[i] = i + 1;
    for (std::size_t i = rank.size(); i > 1; --i) std::swap(rank[i - 1], rank[prng.below(i)]);
    std::vector<std::uint64_t> cumulative(rank.size());
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < rank.size(); ++i) {
        total += 1'000'000 / rank[i];
        cumulative[i] = total;
    }
    return cumulative;
}

std::string category_name(int index) {
    const auto count = static_cast<int>(words::category_names.size());
    std::string name(words::category_names[static_cast<std::size_t>(index % count)]);
    if (index >= count) name += std::to_string(index / count + 1);
    return name;
}

std::string ad_text(int ads) {
    std::string text;
    const auto captions = static_cast<int>(words::ad_captions.size());
    for (int i = 0; i < ads; ++i) {
        if (i > 0) text += "@#";
        text += words::ad_captions[static_cast<std::size_t>(i % captions)];
        if (i >= captions) text += " " + std::to_string(i / captions + 1);
        text += "@#";
        text += words::ad_paths[static_cast<std::size_t>(i % captions)];
        text += "/" + std::to_string(i + 1);
    }
    return text;
}

void check(const GenerateOptions& options) {
    if (options.categories < 0 || options.categories > catalogue::max_category_id)
        throw std::runtime_error("the number of categories must be 0 to " + std::to_string(catalogue::max_category_id));
    if (options.programmes < 0) throw std::runtime_error("the number of programmes must not be negative");
    if (options.programmes > 0 && options.categories == 0)
        throw std::runtime_error("programmes need at least one category");
    if (options.ads < 0 || options.ads > max_ads)
        throw std::runtime_error("the number of ads must be 0 to " + std::to_string(max_ads));
}

// Where the generated rows go: a SQLCipher or a Jet file.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void begin_table(const char* name) = 0;
    virtual void programme(std::int64_t id, const std::string& title, const std::string& player, std::int64_t category,
                           const std::string& up_dt, const std::string& adds) = 0;
    virtual void add_row(const std::vector<Cell>& row) = 0;
    virtual void finish() = 0;
};

class SqlCipherSink final : public RowSink {
public:
    explicit SqlCipherSink(const std::filesystem::path& file) : writer_(file, catalogue::database_password) {}
    void begin_table(const char* name) override { writer_.begin_table(name, usual_columns(name)); }
    void programme(std::int64_t id, const std::string& title, const std::string& player, std::int64_t category,
                   const std::string& up_dt, const std::string& adds) override {
        detail::Statement& insert = writer_.insert_statement();
        insert.bind_integer(1, id);
        insert.bind_text(2, title);
        insert.bind_text(3, player);
        insert.bind_integer(4, category);
        insert.bind_text(5, up_dt);
        insert.bind_text(6, adds);
        writer_.insert();
    }
    void add_row(const std::vector<Cell>& row) override { writer_.add_row(row); }
    void finish() override { writer_.finish(); }

private:
    detail::CatalogueWriter writer_;
};

class JetSink final : public RowSink {
public:
    JetSink(const std::filesystem::path& file, const JetOptions& options) : writer_(file, options) {}
    void begin_table(const char* name) override { writer_.begin_table(name, jet_files::usual_jet_columns(name)); }
    void programme(std::int64_t id, const std::string& title, const std::string& player, std::int64_t category,
                   const std::string& up_dt, const std::string& adds) override {
        row_.resize(6);
        row_[0] = id;
        row_[1] = title;
        row_[2] = player;
        row_[3] = category;
        row_[4] = up_dt;
        row_[5] = adds;
        writer_.add_row(row_);
    }
    void add_row(const std::vector<Cell>& row) override { writer_.add_row(row); }
    void finish() override { writer_.finish(); }

private:
    jet_files::JetWriter writer_;
    std::vector<Cell> row_;
};

void generate_rows(const GenerateOptions& options, RowSink& sink) {
    Prng prng(0x71696E6768650000ull ^ options.seed);
    const auto cumulative = cumulative_weights(prng, options.categories);
    std::vector<std::int64_t> counts(static_cast<std::size_t>(options.categories), 0);

    sink.begin_table(catalogue::programme_table);
    std::string title;
    std::string player;
    std::string up_dt;
    std::string adds;
    for (std::int64_t id = 1; id <= options.programmes; ++id) {
        const auto point = prng.below(cumulative.back());
        const auto category = static_cast<std::size_t>(std::upper_bound(cumulative.begin(), cumulative.end(), point) -
                                                       cumulative.begin());
        ++counts[category];
        make_title(prng, title);
        make_player(prng, player);
        make_up_dt(prng, up_dt);
        make_play_list(prng, adds);
        sink.programme(id, title, player, static_cast<std::int64_t>(category + 1), up_dt, adds);
    }

    // Display order: a shuffle of 1..N, so it differs from id order.
    std::vector<std::int64_t> px(counts.size());
    for (std::size_t i = 0; i < px.size(); ++i) px[i] = static_cast<std::int64_t>(i + 1);
    for (std::size_t i = px.size(); i > 1; --i) std::swap(px[i - 1], px[prng.below(i)]);
    sink.begin_table(catalogue::category_table);
    for (std::size_t i = 0; i < counts.size(); ++i)
        sink.add_row({static_cast<std::int64_t>(i + 1), category_name(static_cast<int>(i)), counts[i], px[i]});

    sink.begin_table(catalogue::ad_table);
    sink.add_row({ad_text(options.ads)});
    sink.finish();
}

}  // namespace

void generate_catalogue(const std::filesystem::path& file, const GenerateOptions& options) {
    check(options);
    try {
        SqlCipherSink sink(file);
        generate_rows(options, sink);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error("cannot write catalogue " + file.string() + ": " + e.what());
    }
}

void generate_jet_catalogue(const std::filesystem::path& file, const GenerateOptions& options,
                            const JetOptions& jet_options) {
    check(options);
    try {
        JetSink sink(file, jet_options);
        generate_rows(options, sink);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error("cannot write catalogue " + file.string() + ": " + e.what());
    }
}

}  // namespace qinghe::catalogue_files
