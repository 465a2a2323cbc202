#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace qinghe::platform {

// One column value of the current row. Null stays distinct from empty text:
// joined into a text a Null adds nothing, but converting it to a number, or
// splitting it, fails.
class Value {
public:
    Value() = default;  // Null
    static Value of_integer(std::int64_t v) { return Value(v); }
    static Value of_real(double v) { return Value(v); }
    static Value of_text(std::string v) { return Value(std::move(v)); }

    bool is_null() const { return std::holds_alternative<std::monostate>(v_); }
    // The value's text form for concatenation; Null gives "".
    std::string text() const&;
    // The text form, failing (PlatformError) on Null.
    std::string require_text() const&;
    // The same from a value about to go, whose text moves out instead of
    // being copied (a programme's play list may be megabytes).
    std::string text() &&;
    std::string require_text() &&;
    // A 16-bit whole number: integers in range, reals rounded half to even,
    // texts holding a whole decimal number. Null and everything else fail.
    std::int16_t to_int16() const;

private:
    explicit Value(std::int64_t v) : v_(v) {}
    explicit Value(double v) : v_(v) {}
    explicit Value(std::string v) : v_(std::move(v)) {}
    std::variant<std::monostate, std::int64_t, double, std::string> v_;
};

}  // namespace qinghe::platform
