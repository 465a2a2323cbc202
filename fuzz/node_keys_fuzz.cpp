// Node keys: any text is tested and taken apart without failing; every key
// the tree builds is recognised as its own kind alone and gives back the
// numbers and the programme id it was built from.
#include "fuzz/fuzz_check.h"
#include "platform/base/int16.h"
#include "tree/node_keys.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <string>

namespace {

using namespace qinghe;
using fuzz::check;
namespace keys = tree::keys;
using platform::Int16;

enum Kind { programme, search_programme, next_page, previous_page, play_leaf, search_play_leaf, intro, search_intro };

// Which of the eight tests a key passes.
std::array<bool, 8> kinds_of(const std::string& key) {
    return {keys::is_programme(key),     keys::is_search_programme(key), keys::is_next_page(key),
            keys::is_previous_page(key), keys::is_play_leaf(key),        keys::is_search_play_leaf(key),
            keys::is_intro(key),         keys::is_search_intro(key)};
}

constexpr std::array<std::string_view, 8> prefixes = {
    keys::programme_prefix, keys::search_programme_prefix, keys::next_page_prefix, keys::previous_page_prefix,
    keys::play_leaf_prefix, keys::search_play_leaf_prefix, keys::intro_prefix,     keys::search_intro_prefix};

// Any text: each test compares the text's first characters with its prefix,
// the tests exclude one another, and the fields join back to the text.
void check_any_key(const std::string& key) {
    const std::array<bool, 8> kinds = kinds_of(key);
    int passed = 0;
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        const bool expected = key.size() >= prefixes[k].size() && key.compare(0, prefixes[k].size(), prefixes[k]) == 0;
        check(kinds[k] == expected, "a kind test matches exactly the keys that begin with its prefix");
        passed += kinds[k] ? 1 : 0;
    }
    check(passed <= 1, "no key passes two kind tests");
    fuzz::check_split(key, keys::fields(key), "_");
}

void check_only(const std::string& key, int kind) {
    const std::array<bool, 8> kinds = kinds_of(key);
    for (int k = 0; k < 8; ++k)
        check(kinds[static_cast<std::size_t>(k)] == (k == kind), "a built key is its own kind alone");
}

void check_number(const std::string& field, Int16 value) {
    check(platform::parse_int16(field) == value, "a number field reads back as the number it was built from");
    check(field == platform::dec(value), "numbers are written as plain decimal text");
}

// Keys built from numbers and a programme id: recognised as their kind, and
// their fields give the parts back. A programme id holding "_" spreads over
// the fields from its position on; joined they give the id back.
void check_built_keys(Int16 a, Int16 b, const std::string& id) {
    const char* const tail_error = "the programme id is the rest of the key after its numbers";

    const std::string prog = keys::programme(id);
    check_only(prog, programme);
    check(fuzz::join(keys::fields(prog), "_", 2) == id, tail_error);
    check_only(keys::search_programme(id), search_programme);
    check(fuzz::join(keys::fields(keys::search_programme(id)), "_", 2) == id, tail_error);
    check_only(keys::intro(id), intro);
    check_only(keys::search_intro(id), search_intro);

    for (const std::string& page_key : {keys::next_page(a, b), keys::previous_page(a, b)}) {
        check_only(page_key, page_key == keys::next_page(a, b) ? next_page : previous_page);
        const std::vector<std::string> fields = keys::fields(page_key);
        check(fields.size() == 4, "a page key has four fields");
        check_number(fields[2], a);
        check_number(fields[3], b);
        check(keys::category(fields[3]) == keys::category(b), "the category key from field 3 is the category's key");
    }

    for (const bool search : {false, true}) {
        const std::string leaf = search ? keys::search_play_leaf(a, b, id) : keys::play_leaf(a, b, id);
        check_only(leaf, search ? search_play_leaf : play_leaf);
        const std::vector<std::string> fields = keys::fields(leaf);
        check(fields.size() >= 4, "a leaf key has at least four fields");
        check_number(fields[1], a);
        check_number(fields[2], b);
        check(fuzz::join(fields, "_", 3) == id, tail_error);

        const std::string group = search ? keys::search_play_group(a, id) : keys::play_group(a, id);
        check_only(group, -1);
        const std::vector<std::string> group_fields = keys::fields(group);
        check_number(group_fields.at(1), a);
        check(fuzz::join(group_fields, "_", 2) == id, tail_error);
    }
    check(keys::category(platform::dec(a)) == keys::category(a), "both category keys of one id agree");
    check_only(keys::category(a), -1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const Int16 a = input.ConsumeIntegral<Int16>();
    const Int16 b = input.ConsumeIntegral<Int16>();
    const std::string text = input.ConsumeRemainingBytesAsString();
    check_any_key(text);
    check_built_keys(a, b, text);
    return 0;
}
