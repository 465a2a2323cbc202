#pragma once

// Page 0 of a Jet 3 / Jet 4 database file (Access 97 / 2000-2003 .mdb): the
// format's signature and version, and the fields a reader needs before it
// can read any other page: the database password, the key that encodes the
// pages, code page, sort order and creation date.
//
// Layout (all numbers little-endian):
//   0x00  page type 0, then 01 00 00
//   0x04  "Standard Jet DB" and a NUL
//   0x14  version: 0 = Jet 3 (2 KiB pages), 1 = Jet 4 (4 KiB pages)
//   0x18  126 (Jet 3) or 128 (Jet 4) bytes RC4-encoded with a fixed key; in
//         clear text they hold
//   0x3a  2 bytes  sort order (Jet 3)
//   0x3c  2 bytes  code page
//   0x3e  4 bytes  page-encoding key, 0 when the pages are stored plain
//   0x42  password: 20 bytes of code-page text (Jet 3), or 40 bytes of UCS-2
//         (Jet 4) masked once more with the creation date (see below)
//   0x6e  4 bytes  sort order (Jet 4)
//   0x72  8 bytes  creation date (Jet 4), a double counting days from
//         1899-12-30
// Jet 4 XORs the password bytes, in turn, with the four bytes of the
// creation date truncated to a 32-bit integer. An encoded file's pages
// other than page 0 are each RC4-encoded with the key (page key ^ page
// number), four bytes little-endian.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qinghe::jet {

enum class JetVersion { jet3, jet4 };

constexpr std::size_t jet3_page_size = 2048;
constexpr std::size_t jet4_page_size = 4096;
constexpr std::size_t page_size(JetVersion version) {
    return version == JetVersion::jet3 ? jet3_page_size : jet4_page_size;
}

// The longest password each version stores: 20 bytes in Jet 3, 20 UCS-2
// code units in Jet 4.
constexpr std::size_t max_password_length = 20;

// Whether the bytes start with a Jet database's signature ("Standard Jet
// DB" at offset 4 of page 0). Needs the first 20 bytes; fewer give false.
bool has_jet_signature(std::span<const unsigned char> first_bytes);

struct JetHeader {
    JetVersion version = JetVersion::jet4;
    std::string password;      // UTF-8; empty when the file has none
    std::uint32_t db_key = 0;  // 0: pages are stored plain
    std::uint16_t code_page = 1252;
    std::uint32_t sort_order = 0x409;  // "General"
    double creation_date = 0;          // Jet 4 only; days from 1899-12-30
};

// Reads page 0. nullopt when the bytes are no Jet 3/4 page 0: no signature,
// another version (such as an Access 2007 .accdb), or fewer bytes than the
// version's page size. Never reads outside the span. A password's text is
// read up to its first NUL; UCS-2 that is no valid UTF-16 gives U+FFFD.
std::optional<JetHeader> read_jet_header(std::span<const unsigned char> page0);

// Writes a complete page 0 for the header into page0, which must hold
// exactly the version's page size. Bytes the header does not name are
// zero. Throws std::invalid_argument for a wrong page size and a password
// that the version cannot store (too long, a NUL, not UTF-8, or in Jet 3 a
// character beyond U+00FF).
void write_jet_header(std::span<unsigned char> page0, const JetHeader& header);

// RC4 over data in place (encoding and decoding are the same operation).
// An empty key leaves the data as it is.
void rc4(std::span<const unsigned char> key, std::span<unsigned char> data);

// The RC4 key of one page of an encoded file: db_key ^ page number, four
// bytes little-endian.
std::array<unsigned char, 4> page_key(std::uint32_t db_key, std::uint32_t page_number);

// Encodes or decodes one whole page in place as the header's db_key says:
// nothing happens for page 0 or for db_key 0.
void apply_page_encoding(std::span<unsigned char> page, std::uint32_t db_key, std::uint32_t page_number);

}  // namespace qinghe::jet
