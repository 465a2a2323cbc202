#include "platform/jet/jet_header.h"

#include "platform/jet/ucs2.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace qinghe::jet {
namespace {

constexpr std::string_view signature{"Standard Jet DB\0", 16};
constexpr std::size_t signature_offset = 0x04;
constexpr std::size_t version_offset = 0x14;
constexpr std::size_t masked_offset = 0x18;
constexpr std::size_t jet3_sort_order_offset = 0x3a;
constexpr std::size_t code_page_offset = 0x3c;
constexpr std::size_t db_key_offset = 0x3e;
constexpr std::size_t password_offset = 0x42;
constexpr std::size_t jet4_sort_order_offset = 0x6e;
constexpr std::size_t creation_date_offset = 0x72;
// The fixed key of page 0's encoded region: 0x6b39dac7, little-endian.
constexpr std::array<unsigned char, 4> header_key = {0xC7, 0xDA, 0x39, 0x6B};

std::size_t masked_length(JetVersion version) {
    return version == JetVersion::jet3 ? 126 : 128;
}

std::size_t password_bytes(JetVersion version) {
    return version == JetVersion::jet3 ? 20 : 40;
}

std::uint32_t get32(std::span<const unsigned char> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t get16(std::span<const unsigned char> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

void put32(std::span<unsigned char> b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

void put16(std::span<unsigned char> b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

void mask_header(std::span<unsigned char> page0, JetVersion version) {
    rc4(header_key, page0.subspan(masked_offset, masked_length(version)));
}

// Jet 4's second password mask: the creation date's whole days as a 32-bit
// integer, little-endian, repeated over the password bytes. A date outside
// that range (only a garbled header holds one) gives no mask.
std::array<unsigned char, 4> date_mask(double creation_date) {
    std::array<unsigned char, 4> mask{};
    if (!(std::fabs(creation_date) < 2147483648.0)) return mask;
    const auto days = static_cast<std::uint32_t>(static_cast<std::int32_t>(creation_date));
    for (std::size_t i = 0; i < 4; ++i) mask[i] = static_cast<unsigned char>(days >> (8 * i));
    return mask;
}

double get_double(std::span<const unsigned char> b, std::size_t at) {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(b[at + i]) << (8 * i);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void put_double(std::span<unsigned char> b, std::size_t at, double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (std::size_t i = 0; i < 8; ++i) b[at + i] = static_cast<unsigned char>(bits >> (8 * i));
}

std::string read_password(std::span<const unsigned char> field, JetVersion version) {
    if (version == JetVersion::jet3) {
        // Code-page text; read as Latin-1, which agrees with code page 1252
        // on every character a password is normally made of.
        std::u16string units;
        for (const unsigned char byte : field) {
            if (byte == 0) break;
            units += static_cast<char16_t>(byte);
        }
        return utf16_to_utf8(units);
    }
    std::u16string units = utf16_from_bytes(field);
    units.resize(std::min(units.size(), units.find(u'\0')));
    return utf16_to_utf8(units);
}

std::vector<unsigned char> password_field(const std::string& password, JetVersion version) {
    const std::optional<std::u16string> units = utf8_to_utf16(password);
    if (!units) throw std::invalid_argument("the database password is not UTF-8 text");
    if (units->size() > max_password_length)
        throw std::invalid_argument("the database password is longer than " + std::to_string(max_password_length) +
                                    " characters");
    if (units->find(u'\0') != std::u16string::npos)
        throw std::invalid_argument("the database password holds a NUL character");
    std::vector<unsigned char> field(password_bytes(version), 0);
    for (std::size_t i = 0; i < units->size(); ++i) {
        const char16_t unit = (*units)[i];
        if (version == JetVersion::jet3) {
            if (unit > 0xFF)
                throw std::invalid_argument("a Jet 3 database password holds only characters up to U+00FF");
            field[i] = static_cast<unsigned char>(unit);
        } else {
            field[2 * i] = static_cast<unsigned char>(unit & 0xFF);
            field[2 * i + 1] = static_cast<unsigned char>(unit >> 8);
        }
    }
    return field;
}

}  // namespace

bool has_jet_signature(std::span<const unsigned char> first_bytes) {
    if (first_bytes.size() < signature_offset + signature.size()) return false;
    return first_bytes[0] == 0 &&
           std::equal(signature.begin(), signature.end(), first_bytes.begin() + signature_offset,
                      [](char a, unsigned char b) { return static_cast<unsigned char>(a) == b; });
}

std::optional<JetHeader> read_jet_header(std::span<const unsigned char> page0) {
    if (!has_jet_signature(page0) || page0.size() <= version_offset) return std::nullopt;
    JetHeader header;
    switch (page0[version_offset]) {
    case 0:
        header.version = JetVersion::jet3;
        break;
    case 1:
        header.version = JetVersion::jet4;
        break;
    default:
        return std::nullopt;
    }
    if (page0.size() < page_size(header.version)) return std::nullopt;
    std::array<unsigned char, 128> clear{};
    const std::size_t length = masked_length(header.version);
    std::copy_n(page0.begin() + masked_offset, length, clear.begin());
    rc4(header_key, std::span(clear).first(length));
    // The clear bytes, addressed by their offsets in page 0.
    const auto at = [&](std::size_t offset) {
        return std::span<const unsigned char>(clear).subspan(offset - masked_offset);
    };

    header.code_page = get16(at(code_page_offset), 0);
    header.db_key = get32(at(db_key_offset), 0);
    std::vector<unsigned char> password(
        at(password_offset).begin(), at(password_offset).begin() + static_cast<long>(password_bytes(header.version)));
    if (header.version == JetVersion::jet3) {
        header.sort_order = get16(at(jet3_sort_order_offset), 0);
    } else {
        header.sort_order = get32(at(jet4_sort_order_offset), 0);
        header.creation_date = get_double(at(creation_date_offset), 0);
        const auto mask = date_mask(header.creation_date);
        for (std::size_t i = 0; i < password.size(); ++i) password[i] ^= mask[i % mask.size()];
    }
    header.password = read_password(password, header.version);
    return header;
}

void write_jet_header(std::span<unsigned char> page0, const JetHeader& header) {
    if (page0.size() != page_size(header.version))
        throw std::invalid_argument("page 0 must be " + std::to_string(page_size(header.version)) + " bytes");
    std::vector<unsigned char> password = password_field(header.password, header.version);
    std::fill(page0.begin(), page0.end(), 0);
    page0[1] = 1;
    std::copy(signature.begin(), signature.end(), page0.begin() + signature_offset);
    page0[version_offset] = header.version == JetVersion::jet3 ? 0 : 1;
    put16(page0, code_page_offset, header.code_page);
    put32(page0, db_key_offset, header.db_key);
    if (header.version == JetVersion::jet3) {
        put16(page0, jet3_sort_order_offset, static_cast<std::uint16_t>(header.sort_order));
    } else {
        put32(page0, jet4_sort_order_offset, header.sort_order);
        put_double(page0, creation_date_offset, header.creation_date);
        const auto mask = date_mask(header.creation_date);
        for (std::size_t i = 0; i < password.size(); ++i) password[i] ^= mask[i % mask.size()];
    }
    std::copy(password.begin(), password.end(), page0.begin() + password_offset);
    mask_header(page0, header.version);
}

void rc4(std::span<const unsigned char> key, std::span<unsigned char> data) {
    if (key.empty()) return;
    std::array<unsigned char, 256> state{};
    for (std::size_t i = 0; i < state.size(); ++i) state[i] = static_cast<unsigned char>(i);
    unsigned char j = 0;
    for (std::size_t i = 0; i < state.size(); ++i) {
        j = static_cast<unsigned char>(j + state[i] + key[i % key.size()]);
        std::swap(state[i], state[j]);
    }
    unsigned char x = 0;
    unsigned char y = 0;
    for (unsigned char& byte : data) {
        x = static_cast<unsigned char>(x + 1);
        y = static_cast<unsigned char>(y + state[x]);
        std::swap(state[x], state[y]);
        byte ^= state[static_cast<unsigned char>(state[x] + state[y])];
    }
}

std::array<unsigned char, 4> page_key(std::uint32_t db_key, std::uint32_t page_number) {
    const std::uint32_t key = db_key ^ page_number;
    return {static_cast<unsigned char>(key), static_cast<unsigned char>(key >> 8),
            static_cast<unsigned char>(key >> 16), static_cast<unsigned char>(key >> 24)};
}

void apply_page_encoding(std::span<unsigned char> page, std::uint32_t db_key, std::uint32_t page_number) {
    if (page_number == 0 || db_key == 0) return;
    rc4(page_key(db_key, page_number), page);
}

}  // namespace qinghe::jet
