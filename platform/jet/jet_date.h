#pragma once

#include <string>

namespace qinghe::jet {

// A Jet date (days since 1899-12-30, the fraction the time of day) as
// "YYYY-MM-DD HH:MM:SS", to the nearest second. Before 1899-12-30 the
// whole days count back and the fraction still counts forward, as Jet
// stores them. A value outside years 100 to 9999 reads as its number.
std::string jet_date_text(double days);

}  // namespace qinghe::jet
