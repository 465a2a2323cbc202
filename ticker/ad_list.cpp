#include "ticker/ad_list.h"

#include "platform/base/error.h"
#include "platform/base/text.h"

#include <cmath>

namespace qinghe::ticker {

using platform::Int16;

std::vector<std::string> split_ad_text(std::string_view ad_text) {
    return platform::split(ad_text, ad_separator);
}

namespace {

const std::vector<std::string>& require(const AdList& ads) {
    if (!ads) throw platform::PlatformError("no ad list");
    return *ads;
}

}  // namespace

Int16 last_label_index(const AdList& ads) {
    const double half = static_cast<double>(require(ads).size()) / 2.0 - 1.0;
    if (half > platform::int16_max) throw platform::PlatformError("16-bit overflow");
    // nearbyint rounds halves to the even neighbour in the default mode.
    return platform::to_int16(static_cast<long long>(std::nearbyint(half)));
}

const std::string& ad_link(const AdList& ads, Int16 index) {
    const Int16 link = platform::add16(platform::mul16(2, index), 1);
    return platform::element(require(ads), link);
}

}  // namespace qinghe::ticker
