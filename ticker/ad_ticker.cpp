#include "ticker/ad_ticker.h"

#include "catalogue/queries.h"
#include "platform/base/skip_on_error.h"
#include "platform/base/text.h"

#include <memory>
#include <string>

namespace qinghe::ticker {

using platform::Int16;
using platform::try_step;

namespace {

// Right edge of a label plus the gap: where the label after it starts.
float after(const platform::TickerLabels& labels, int index) {
    return labels.left(index) + labels.width(index) + label_gap;
}

bool has_left_strip(const platform::TickerLabels& labels, int index) {
    return labels.left(index) + labels.width(index) < 0.0F;
}

}  // namespace

void build_ticker(platform::Connection& connection, platform::TickerLabels& labels, AdList& ads) {
    std::unique_ptr<platform::Recordset> ad_row;
    try_step([&] {
        ad_row = catalogue::open_ad_query(connection);
        ads = split_ad_text(ad_row->field("ad").require_text());
    });
    catalogue::close_and_release(ad_row);

    int count = 0;
    try_step([&] { count = labels.count(); });
    for (int i = 1; i <= count - 1; ++i) try_step([&] { labels.unload(i); });

    Int16 last = -1;
    if (!try_step([&] { last = last_label_index(ads); })) {
        // No ad text at all: nothing backs label 0's design caption.
        try_step([&] { labels.set_visible(0, false); });
        return;
    }
    for (Int16 i = 0; i <= last; ++i) {
        if (i == 0) {
            try_step([&] { labels.set_caption(0, platform::element(*ads, 0)); });
            try_step([&] { labels.set_left(0, 0.0F); });
            continue;
        }
        try_step([&] { labels.load(i); });
        try_step([&] { labels.set_visible(i, true); });
        try_step([&] { labels.set_caption(i, platform::element(*ads, platform::mul16(2, i))); });
        try_step([&] { labels.set_left(i, after(labels, i - 1)); });
        if (i == platform::int16_max) break;
    }
}

void tick(platform::TickerLabels& labels, const AdList& ads) {
    int count = 0;
    try_step([&] { count = labels.count(); });
    if (count == 1) {
        try_step([&] { labels.set_left(0, labels.left(0) - ticker_step); });
        try_step([&] {
            if (has_left_strip(labels, 0)) labels.set_left(0, labels.strip_width());
        });
        return;
    }

    Int16 last = -1;
    if (!try_step([&] { last = last_label_index(ads); })) return;
    for (Int16 i = 0; i <= last; ++i) {
        try_step([&] { labels.set_left(i, labels.left(i) - ticker_step); });
        try_step([&] {
            if (!has_left_strip(labels, i)) return;
            // Label 0 goes behind the last label before that one has moved in
            // this tick; every other label goes behind its moved predecessor.
            labels.set_left(i, after(labels, i == 0 ? last : i - 1));
        });
        if (i == platform::int16_max) break;
    }
}

void click(platform::Process& process, const AdList& ads, Int16 index) {
    try_step([&] { process.shell("explorer.exe   Http://" + ad_link(ads, index), ticker_window_style); });
}

}  // namespace qinghe::ticker
