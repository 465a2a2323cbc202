// The ad list: any ad text splits into pieces that join back to it, the last
// label index follows the rounding rule for every count, every label up to
// it has its caption, and a label's link is there exactly when its element is.
#include "fuzz/fuzz_check.h"
#include "platform/base/error.h"
#include "platform/base/int16.h"
#include "ticker/ad_list.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

namespace {

using namespace qinghe;
using fuzz::check;

// n / 2 - 1 rounded half to even, in whole numbers: an even n gives n / 2 - 1;
// n = 2k + 1 gives k when k is even and k - 1 when k is odd.
long expected_last_label(long n) {
    if (n % 2 == 0) return n / 2 - 1;
    const long k = n / 2;
    return k % 2 == 0 ? k : k - 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const platform::Int16 clicked = input.ConsumeIntegral<platform::Int16>();
    const std::string text = input.ConsumeRemainingBytesAsString();

    const std::vector<std::string> pieces = ticker::split_ad_text(text);
    fuzz::check_split(text, pieces, ticker::ad_separator);
    const ticker::AdList ads = pieces;
    const long n = static_cast<long>(pieces.size());

    if (expected_last_label(n) > 32767) {
        // Too many ads for 16-bit label indices: the index cannot be had.
        bool too_many = false;
        try {
            (void)ticker::last_label_index(ads);
        } catch (const platform::PlatformError&) {
            too_many = true;
        }
        check(too_many, "a last label index beyond 16 bits fails");
        return 0;
    }
    const platform::Int16 last = ticker::last_label_index(ads);
    check(last == expected_last_label(n), "the last label index rounds n / 2 - 1 half to even");
    for (long i = 0; i <= last; ++i) check(2 * i < n, "every label up to the last label index has its caption element");

    bool failed = false;
    const std::string* link = nullptr;
    try {
        link = &ticker::ad_link(ads, clicked);
    } catch (const platform::PlatformError&) {
        failed = true;
    }
    const long at = 2L * clicked + 1;
    const bool exists = at >= 0 && at <= 32767 && at < n;
    check(failed != exists, "a label's link is found exactly when its element exists");
    if (exists) check(link == &(*ads)[static_cast<std::size_t>(at)], "a label's link is element 2 * index + 1");

    bool unset_failed = false;
    try {
        (void)ticker::last_label_index(ticker::AdList{});
    } catch (const platform::PlatformError&) {
        unset_failed = true;
    }
    check(unset_failed, "an unset ad list has no last label index");
    return 0;
}
