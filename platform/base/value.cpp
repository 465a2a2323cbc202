#include "platform/base/value.h"

#include "platform/base/error.h"
#include "platform/base/int16.h"

#include <cmath>
#include <cstdio>

namespace qinghe::platform {

namespace {

std::string real_text(double v) {
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) return std::to_string(static_cast<long long>(v));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

}  // namespace

std::string Value::text() const& {
    if (is_null()) return {};
    return require_text();
}

std::string Value::require_text() const& {
    if (const auto* i = std::get_if<std::int64_t>(&v_)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&v_)) return real_text(*d);
    if (const auto* s = std::get_if<std::string>(&v_)) return *s;
    throw PlatformError("invalid use of Null");
}

std::string Value::text() && {
    if (is_null()) return {};
    return std::move(*this).require_text();
}

std::string Value::require_text() && {
    if (auto* s = std::get_if<std::string>(&v_)) return std::move(*s);
    return static_cast<const Value&>(*this).require_text();
}

std::int16_t Value::to_int16() const {
    if (const auto* i = std::get_if<std::int64_t>(&v_)) return platform::to_int16(*i);
    if (const auto* d = std::get_if<double>(&v_)) {
        if (!std::isfinite(*d) || std::fabs(*d) > 1e6) throw PlatformError("16-bit overflow");
        return platform::to_int16(static_cast<long long>(std::nearbyint(*d)));
    }
    if (const auto* s = std::get_if<std::string>(&v_)) return parse_int16(*s);
    throw PlatformError("invalid use of Null");
}

}  // namespace qinghe::platform
