// The ad ticker: one tick of twenty labels in the window's strip, painted.
// Each benchmark iteration is one tick; 300 ticks in all.
#include "bench/bench_catalogues.h"
#include "bench/bench_support.h"
#include "bench/raw_catalogue.h"

#include "catalogue/queries.h"
#include "catalogue/statements.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/twips.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "ticker/ad_ticker.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>

#include <cmath>
#include <vector>

namespace qinghe::bench {
namespace {

constexpr int ticks = 300;
// The window at its design size, with the ad strip along its bottom.
constexpr int window_width = 627;
constexpr int window_height = 351;
constexpr int strip_height = 12;

void place_strip(QWidget& window, QWidget& strip) {
    window.resize(window_width, window_height);
    strip.setGeometry(0, window_height - strip_height, window_width, strip_height);
}

void ticker_system(benchmark::State& state) {
    guarded(
        state,
        [&] {
            platform::sqlcipher::SqlcipherConnection connection;
            catalogue::open_catalogue(connection, catalogue_dir(CatalogueKind::ads).string());
            platform::qt::QtForm form(new QWidget);
            place_strip(form, *form.strip());
            ticker::AdList ads;
            ticker::build_ticker(connection, form.labels(), ads);
            if (form.labels().count() != ticker_ads) throw std::runtime_error("ticker labels missing");
            form.show();
            QApplication::processEvents();
            for (auto _ : state) {
                ticker::tick(form.labels(), ads);
                QApplication::processEvents();
            }
            benchmark::DoNotOptimize(form.labels().left(0));
        });
}

// The same row of labels moved directly: lefts kept in twips, a label that
// has left the strip placed behind the one before it.
void ticker_baseline(benchmark::State& state) {
    guarded(
        state,
        [&] {
            Database db = open_raw_catalogue(catalogue_file(CatalogueKind::ads));
            Statement ad_row = db.prepare(catalogue::ad_query());
            if (!ad_row.step()) throw std::runtime_error("no ad text");
            const QStringList parts = qtext(ad_row, 0).split(QStringLiteral("@#"));

            QWidget window;
            auto* strip = new QFrame(&window);
            place_strip(window, *strip);
            std::vector<QLabel*> labels;
            std::vector<float> lefts;
            float next_left = 0;
            for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
                auto* label = new QLabel(parts[i], strip);
                label->adjustSize();
                label->resize(label->width(), strip_height);
                label->move(platform::qt::to_pixels(next_left), 0);
                labels.push_back(label);
                lefts.push_back(next_left);
                next_left += static_cast<float>(platform::qt::to_twips(label->width())) + ticker::label_gap;
            }
            if (labels.size() != ticker_ads) throw std::runtime_error("ticker labels missing");
            window.show();
            QApplication::processEvents();

            const std::size_t last = labels.size() - 1;
            for (auto _ : state) {
                for (std::size_t i = 0; i < labels.size(); ++i) {
                    lefts[i] -= ticker::ticker_step;
                    const float width = static_cast<float>(platform::qt::to_twips(labels[i]->width()));
                    if (lefts[i] + width < 0) {
                        const std::size_t before = i == 0 ? last : i - 1;
                        lefts[i] = lefts[before] + static_cast<float>(platform::qt::to_twips(labels[before]->width())) +
                                   ticker::label_gap;
                    }
                    labels[i]->move(platform::qt::to_pixels(lefts[i]), 0);
                }
                QApplication::processEvents();
            }
            benchmark::DoNotOptimize(lefts[0]);
        });
}

BENCHMARK(ticker_system)->Name("ticker/system")->Iterations(ticks)->Unit(benchmark::kMicrosecond);
BENCHMARK(ticker_baseline)->Name("ticker/baseline")->Iterations(ticks)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qinghe::bench
