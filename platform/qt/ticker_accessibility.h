#pragma once

namespace qinghe::platform::qt {

// Makes accessibility present the ad strip (TickerStrip) as a group named
// "广告" holding its labels, and each TickerLabel as a link named by its
// text whose press action clicks it. Installing more than once changes
// nothing.
void install_ticker_accessibility();

}  // namespace qinghe::platform::qt
