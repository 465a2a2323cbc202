#include "platform/base/int16.h"
#include "platform/base/skip_on_error.h"
#include "platform/base/text.h"
#include "platform/data_access.h"

#include <gtest/gtest.h>

#include <new>

namespace qinghe::platform {
namespace {

TEST(Int16, ConvertsWholeNumbersWithinTheRangeAndRefusesTheRest) {
    EXPECT_EQ(parse_int16("12"), 12);
    EXPECT_EQ(parse_int16("-32768"), -32768);
    EXPECT_EQ(parse_int16(" 32767 "), int16_max);
    EXPECT_EQ(parse_int16("+7"), 7);
    for (const char* bad : {"", " ", "32768", "-32769", "1.5", "12a", "a12", "0x10", "99999999999999999999"})
        EXPECT_THROW(parse_int16(bad), PlatformError) << bad;
}

TEST(Int16, ArithmeticThatLeavesTheRangeFails) {
    EXPECT_EQ(add16(int16_max - 1, 1), int16_max);
    EXPECT_THROW(add16(int16_max, 1), PlatformError);
    EXPECT_THROW(sub16(-int16_max - 1, 1), PlatformError);
    EXPECT_EQ(mul16(2, int16_max / 2), int16_max - 1);
    EXPECT_THROW(mul16(2, int16_max / 2 + 1), PlatformError);
}

TEST(Split, KeepsEmptyPiecesAndGivesNothingForEmptyText) {
    using V = std::vector<std::string>;
    EXPECT_EQ(split("a$$b", "$$"), (V{"a", "b"}));
    EXPECT_EQ(split("$$a$$$$b$$", "$$"), (V{"", "a", "", "b", ""}));
    EXPECT_EQ(split("no separator", "@#"), (V{"no separator"}));
    EXPECT_EQ(split("", "|"), V{});
    // Occurrences are found from the left and never overlap.
    EXPECT_EQ(split("a$$$b", "$$"), (V{"a", "$b"}));
    // Matching is exact: a look-alike full-width separator does not split.
    EXPECT_EQ(split("a＠#b", "@#"), (V{"a＠#b"}));
}

TEST(Split, ElementOutsideTheListFails) {
    const std::vector<std::string> pieces{"x", "y"};
    EXPECT_EQ(element(pieces, 1), "y");
    EXPECT_THROW(element(pieces, 2), PlatformError);
    EXPECT_THROW(element(pieces, -1), PlatformError);
}

TEST(KeyPrefix, ComparesOnlyThePrefixLengthAndShortTextsDoNotMatch) {
    EXPECT_TRUE(starts_with("tv1_id_17", "tv1_id_"));
    EXPECT_FALSE(starts_with("tv1_id2_17", "tv1_id_"));
    EXPECT_FALSE(starts_with("tv1", "tv1_id_"));
    EXPECT_FALSE(starts_with("TV1_ID_17", "tv1_id_"));
    EXPECT_TRUE(starts_with_ignoring_case("TV1_ID_17", "tv1_id_"));
    EXPECT_FALSE(starts_with_ignoring_case("TV1", "tv1_id_"));
}

TEST(SkipOnError, AbandonsTheFailingStepAndReportsIt) {
    int reached = 0;
    EXPECT_FALSE(try_step([&] {
        reached = 1;
        throw PlatformError("boom");
    }));
    EXPECT_EQ(reached, 1);
    EXPECT_TRUE(try_step([&] { reached = 2; }));
    EXPECT_EQ(reached, 2);
    EXPECT_FALSE(try_step([] { throw std::bad_alloc(); }));
}

TEST(Value, NullStaysDistinctFromEmptyText) {
    const Value null;
    const Value empty = Value::of_text("");
    EXPECT_TRUE(null.is_null());
    EXPECT_FALSE(empty.is_null());
    EXPECT_EQ(null.text(), "");
    EXPECT_THROW(null.require_text(), PlatformError);
    EXPECT_EQ(empty.require_text(), "");
    EXPECT_THROW(null.to_int16(), PlatformError);
    EXPECT_THROW(empty.to_int16(), PlatformError);
}

TEST(Value, NumbersHaveTheirPlainTextFormAndConvertWhenTheyFit) {
    EXPECT_EQ(Value::of_integer(-17).text(), "-17");
    EXPECT_EQ(Value::of_real(3.0).text(), "3");
    EXPECT_EQ(Value::of_real(2.5).text(), "2.5");
    EXPECT_EQ(Value::of_integer(int16_max).to_int16(), int16_max);
    EXPECT_THROW(Value::of_integer(40000).to_int16(), PlatformError);
    EXPECT_EQ(Value::of_real(2.5).to_int16(), 2);  // halves go to the even neighbour
    EXPECT_EQ(Value::of_real(3.5).to_int16(), 4);
    EXPECT_EQ(Value::of_text("12").to_int16(), 12);
    EXPECT_THROW(Value::of_text("电影").to_int16(), PlatformError);
}

}  // namespace
}  // namespace qinghe::platform
