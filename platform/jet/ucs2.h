#pragma once

// Jet 4 stores text as UCS-2 (UTF-16 little-endian); the program works in
// UTF-8. These convert between the two.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qinghe::jet {

// UTF-8 to UTF-16 code units (characters beyond U+FFFF as surrogate
// pairs). nullopt for bytes that are no valid UTF-8: overlong forms,
// surrogates, values past U+10FFFF, cut-off sequences.
std::optional<std::u16string> utf8_to_utf16(std::string_view text);

// UTF-16 code units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf16_to_utf8(std::u16string_view text);

// Little-endian byte pairs to code units; a last odd byte is ignored.
std::u16string utf16_from_bytes(std::span<const unsigned char> bytes);

// A Jet 4 text or memo value as stored, in UTF-8: little-endian byte pairs,
// or, after the marker FF FE, runs of one-byte characters (U+0000-U+00FF)
// and of byte pairs, each 00 byte switching between the two. The text ends
// at U+0000; characters beyond U+FFFF come from surrogate pairs.
std::string jet4_text_to_utf8(std::span<const unsigned char> stored);

// Appends the code units as little-endian byte pairs.
void append_utf16_bytes(std::u16string_view text, std::string& out);

}  // namespace qinghe::jet
