// Play lists: any text of column adds splits into groups and fields that
// join back to it, and the group and leaf counts that expansion walks only
// ever name fields that exist, within the numbers a key can carry.
#include "fuzz/fuzz_check.h"
#include "platform/base/error.h"
#include "platform/base/int16.h"
#include "platform/base/text.h"
#include "platform/schema/play_list.h"
#include "tree/node_keys.h"

#include <cstdint>
#include <set>
#include <string>

namespace {

using namespace qinghe;
using fuzz::check;
namespace play_list = catalogue::play_list;

void check_group(const std::string& group, std::set<std::string>& leaf_keys, int group_number) {
    const std::vector<std::string> fields = play_list::group_fields(group);
    fuzz::check_split(group, fields, "|", 2 * play_list::max_leaf + 1);

    const int leaves = play_list::leaf_count(fields);
    check(leaves >= 0 && leaves <= play_list::max_leaf, "the leaf count stays within what a key can carry");
    const std::size_t pairs = fields.empty() ? 0 : (fields.size() - 1) / 2;
    check(static_cast<std::size_t>(leaves) == std::min<std::size_t>(pairs, play_list::max_leaf),
          "every complete pair after the label is a leaf");
    for (int j = 1; j <= leaves; ++j) {
        // Expansion reads the title at 2j and playback the identifier at 2j - 1,
        // through the same 16-bit arithmetic.
        const platform::Int16 leaf = platform::to_int16(j);
        const platform::Int16 title_at = platform::mul16(2, leaf);
        check(&platform::element(fields, title_at) == &fields[static_cast<std::size_t>(2 * j)],
              "every leaf's title field exists");
        check(&platform::element(fields, title_at - 1) == &fields[static_cast<std::size_t>(2 * j - 1)],
              "every leaf's identifier field exists");
        const bool fresh = leaf_keys.insert(tree::keys::play_leaf(platform::to_int16(group_number), leaf, "1")).second;
        check(fresh, "leaf keys within one programme are unique");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string adds(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> groups = play_list::groups(adds);
    fuzz::check_split(adds, groups, "$$", play_list::max_group + 1);

    const int last = play_list::last_group(groups);
    check(last >= 0 && last <= play_list::max_group, "the last group number stays within what a key can carry");
    check(groups.empty()
              ? last == 0
              : static_cast<std::size_t>(last) == std::min<std::size_t>(groups.size() - 1, play_list::max_group),
          "every piece after piece 0 is a group");
    // A text without "$$" has piece 0 only: no group.
    if (adds.find("$$") == std::string::npos) check(last == 0, "a play list without \"$$\" has no group");

    std::set<std::string> leaf_keys;
    for (int i = 1; i <= last; ++i) {
        check(static_cast<std::size_t>(i) < groups.size(), "every group number names a piece");
        check_group(groups[static_cast<std::size_t>(i)], leaf_keys, i);
    }
    return 0;
}
