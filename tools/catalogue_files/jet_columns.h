#pragma once

// The column types a Jet catalogue file is written with, and how each cell
// becomes the bytes of its column.

#include "platform/jet/jet_header.h"
#include "tools/catalogue_files/catalogue_data.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe::catalogue_files::jet_files {

using jet::JetVersion;

// Jet's column type codes, as the table definition stores them.
enum class JetType : std::uint8_t {
    integer = 0x03,       // 16-bit
    long_integer = 0x04,  // 32-bit
    real = 0x07,          // 64-bit double
    date_time = 0x08,     // double: days from 1899-12-30
    text = 0x0A,          // up to 255 characters
    ole = 0x0B,           // long binary
    memo = 0x0C,          // long text
};

struct JetColumn {
    std::string name;
    JetType type;
};

constexpr std::size_t max_text_characters = 255;

bool is_fixed(JetType type);
std::size_t fixed_size(JetType type);  // 0 for a variable-length type

// The columns of a table as Jet stores them, chosen from its values so each
// keeps its meaning: whole numbers that fit 32 bits as Long, other numbers
// as Double (a whole number beyond 2^53 as Text), texts as Text or, when one
// is longer than 255 characters, as Memo. A column that mixes texts and
// numbers becomes Text (or Memo), the numbers written as text. The play
// lists, player texts and ad texts (adds, player, ad) are always Memo, and
// up_dt is Date/Time when every value is a time stamp "YYYY-MM-DD hh:mm:ss".
// A usual column that holds only Nulls keeps its usual type.
std::vector<JetColumn> choose_columns(std::string_view table_name, const Table& table);

// The usual columns of one of the catalogue's tables with their usual types
// (as choose_columns gives them for usual data), for writers that stream.
std::vector<JetColumn> usual_jet_columns(std::string_view table);

// "YYYY-MM-DD hh:mm:ss" as Jet's date value; false when the text is no
// such time stamp of a real day.
bool parse_time_stamp(std::string_view text, double& days);

// Text for Jet: UCS-2 little-endian in Jet 4, in Jet 4's compressed form
// where that is shorter and compress allows it; code page 936 (GBK) bytes
// in Jet 3. Throws std::runtime_error for text that is not UTF-8 or that
// code page 936 cannot hold.
std::string encode_text(std::string_view utf8, JetVersion version, bool compress);

// Jet 4's compressed Unicode: FF FE, then runs of characters below U+0100
// as one byte each and runs of the others as two, a 00 byte switching
// between them. Empty when it is not shorter than plain UCS-2, or when a
// character's low byte is 00 (which would read as a switch).
std::string compress_unicode(std::u16string_view text);

// Memo values longer than this many characters are never compressed.
constexpr std::size_t max_compressed_memo_characters = 1024;

// How many UTF-16 code units (Jet 4 characters) a UTF-8 text makes.
std::size_t utf16_length(std::string_view utf8);

// A cell in a text column's form: texts as they are, numbers in decimal.
std::string text_of(const Cell& cell);

}  // namespace qinghe::catalogue_files::jet_files
