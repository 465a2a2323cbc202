#pragma once

#include "platform/data_access.h"
#include "platform/process.h"
#include "platform/ticker_labels.h"
#include "ticker/ad_list.h"

namespace qinghe::ticker {

inline constexpr float ticker_step = 50.0F;
inline constexpr float label_gap = 100.0F;
inline constexpr int ticker_window_style = 1;

// Reads the ad text, fills the ad list and lays the labels out in a row
// from the strip's left edge, one per ad, label_gap apart.
void build_ticker(platform::Connection& connection, platform::TickerLabels& labels, AdList& ads);

// Moves every label ticker_step to the left and brings back the labels
// that have left the strip: a single label re-enters at the strip's right
// edge, a row of labels is an endless loop.
void tick(platform::TickerLabels& labels, const AdList& ads);

// Opens the clicked label's link through explorer.exe, without waiting.
void click(platform::Process& process, const AdList& ads, platform::Int16 index);

}  // namespace qinghe::ticker
