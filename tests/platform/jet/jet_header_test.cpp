#include "platform/jet/jet_header.h"
#include "platform/jet/ucs2.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace qinghe::jet {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes page_for(const JetHeader& header) {
    Bytes page(page_size(header.version));
    write_jet_header(page, header);
    return page;
}

TEST(JetHeader, ReadsBackWhatWasWrittenForEveryForm) {
    struct Case {
        JetVersion version;
        std::string password;
        std::uint32_t db_key;
        double creation_date;
    };
    const Case cases[] = {
        {JetVersion::jet4, "3b71d0", 0, 39950.86},
        {JetVersion::jet4, "", 0, 39950.86},
        {JetVersion::jet4, "3b71d0", 0x1a2b3c4d, 40000.5},
        {JetVersion::jet4, "青禾网络电视密码𝄞", 0, 36526.0},
        {JetVersion::jet4, std::string(20, 'x'), 7, -3.5},
        {JetVersion::jet3, "3b71d0", 0, 0},
        {JetVersion::jet3, "", 0xfedcba98, 0},
        {JetVersion::jet3, "café", 1, 0},
    };
    for (const Case& c : cases) {
        JetHeader written;
        written.version = c.version;
        written.password = c.password;
        written.db_key = c.db_key;
        written.creation_date = c.creation_date;
        written.code_page = 936;
        written.sort_order = 0x804;
        const Bytes page = page_for(written);
        ASSERT_TRUE(has_jet_signature(page));
        const std::optional<JetHeader> read = read_jet_header(page);
        ASSERT_TRUE(read) << c.password;
        EXPECT_EQ(read->version, c.version);
        EXPECT_EQ(read->password, c.password);
        EXPECT_EQ(read->db_key, c.db_key);
        EXPECT_EQ(read->code_page, 936);
        EXPECT_EQ(read->sort_order, 0x804u);
        if (c.version == JetVersion::jet4) {
            EXPECT_EQ(read->creation_date, c.creation_date);
        }
    }
}

// The raw bytes where a Jet 3 file without a password keeps it are the
// header key's stream itself; early mdbtools read the password by XORing
// exactly these 14 bytes.
TEST(JetHeader, MasksTheJet3PasswordWithTheFixedKeyStream) {
    JetHeader header;
    header.version = JetVersion::jet3;
    const Bytes page = page_for(header);
    const Bytes stream = {0x86, 0xfb, 0xec, 0x37, 0x5d, 0x44, 0x9c, 0xfa, 0xc6, 0x5e, 0x28, 0xe6, 0x13, 0xb6};
    EXPECT_EQ(Bytes(page.begin() + 0x42, page.begin() + 0x42 + 14), stream);
    EXPECT_EQ(page[0x14], 0);
}

TEST(JetHeader, RefusesWhatIsNoJet3Or4PageZero) {
    const Bytes good = page_for(JetHeader{});
    std::vector<Bytes> bad;
    bad.emplace_back();                                   // nothing
    bad.emplace_back(good.begin(), good.begin() + 0x13);  // signature cut off
    bad.emplace_back(good.begin(), good.begin() + 0x98);  // shorter than a page
    bad.emplace_back(good.begin(), good.end() - 1);       // one byte short
    bad.push_back(good), bad.back()[0x14] = 2;            // Access 2007 (.accdb)
    bad.push_back(good), bad.back()[0x04] = 'X';          // no signature
    bad.push_back(good), bad.back()[0] = 1;               // a data page
    for (const Bytes& bytes : bad) EXPECT_FALSE(read_jet_header(bytes)) << bytes.size();
    // A Jet 3 page 0 needs only its own 2 KiB.
    JetHeader jet3;
    jet3.version = JetVersion::jet3;
    const Bytes page3 = page_for(jet3);
    EXPECT_TRUE(read_jet_header(page3));
}

TEST(JetHeader, ReadsGarbledPasswordBytesAsReplacementCharacters) {
    JetHeader header;
    header.creation_date = 0;  // no date mask, so the raw UCS-2 is plain below
    Bytes page = page_for(header);
    // Decode, put a lone high surrogate and 'A' into the password, encode.
    const std::array<unsigned char, 4> key = {0xC7, 0xDA, 0x39, 0x6B};
    rc4(key, std::span(page).subspan(0x18, 128));
    page[0x42] = 0x00, page[0x43] = 0xD8, page[0x44] = 'A', page[0x45] = 0;
    rc4(key, std::span(page).subspan(0x18, 128));
    const auto read = read_jet_header(page);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->password,
              "\xEF\xBF\xBD"
              "A");
}

TEST(JetHeader, RefusesPasswordsTheVersionCannotStore) {
    struct Case {
        JetVersion version;
        std::string password;
    };
    const Case cases[] = {
        {JetVersion::jet4, std::string(21, 'x')},
        {JetVersion::jet4, std::string("a\0b", 3)},
        {JetVersion::jet4, "\xC3"},
        {JetVersion::jet3, "青"},
        {JetVersion::jet3, std::string(21, 'x')},
    };
    for (const Case& c : cases) {
        JetHeader header;
        header.version = c.version;
        header.password = c.password;
        Bytes page(page_size(c.version));
        EXPECT_THROW(write_jet_header(page, header), std::invalid_argument) << c.password;
    }
    Bytes wrong_size(jet3_page_size);
    EXPECT_THROW(write_jet_header(wrong_size, JetHeader{}), std::invalid_argument);
}

TEST(Rc4, MatchesThePublishedTestVectorAndEncodesPagesByNumber) {
    std::string text = "Plaintext";
    const std::string key = "Key";
    rc4(std::span(reinterpret_cast<const unsigned char*>(key.data()), key.size()),
        std::span(reinterpret_cast<unsigned char*>(text.data()), text.size()));
    EXPECT_EQ(Bytes(text.begin(), text.end()), (Bytes{0xBB, 0xF3, 0x16, 0xE8, 0xD9, 0x40, 0xAF, 0x0A, 0xD3}));

    EXPECT_EQ(page_key(0x11223344, 0x0F), (std::array<unsigned char, 4>{0x4B, 0x33, 0x22, 0x11}));
    const Bytes plain(64, 0x5A);
    Bytes page = plain;
    apply_page_encoding(page, 0x11223344, 0);  // page 0 is never encoded
    EXPECT_EQ(page, plain);
    apply_page_encoding(page, 0, 3);  // neither are the pages of a plain file
    EXPECT_EQ(page, plain);
    apply_page_encoding(page, 0x11223344, 3);
    EXPECT_NE(page, plain);
    apply_page_encoding(page, 0x11223344, 3);
    EXPECT_EQ(page, plain);
}

TEST(Ucs2, ConvertsValidUtf8BothWaysAndRefusesTheRest) {
    EXPECT_EQ(utf8_to_utf16("a青𝄞"), std::u16string(u"a青𝄞"));
    EXPECT_EQ(utf16_to_utf8(u"a青𝄞"), "a青𝄞");
    for (const char* bad : {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE9\x9D", "\x80"})
        EXPECT_FALSE(utf8_to_utf16(bad)) << bad;
    std::string bytes;
    append_utf16_bytes(u"青A", bytes);
    EXPECT_EQ(bytes, std::string("\x52\x97\x41\x00", 4));
    EXPECT_EQ(utf16_from_bytes(std::span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())), u"青A");
}

TEST(Ucs2, DecodesJet4TextAsStoredPlainOrCompressed) {
    const std::pair<std::string, std::string> cases[] = {
        {std::string("\x41\x00\x52\x97", 4), "A青"},
        {"\xFF\xFE"
         "ab",
         "ab"},
        {std::string("\xFF\xFE"
                     "a\x00\x52\x97\x00"
                     "b",
                     8),
         "a青b"},                                               // switched to pairs and back
        {std::string("\x34\xD8\x1E\xDD", 4), "𝄞"},              // a surrogate pair
        {std::string("\xFF\xFE\x00\x3D\xD8\x01\xDE", 7), "😁"},  // one in compressed text
        {std::string("\x34\xD8\x41\x00\x1E\xDD", 6),
         "\xEF\xBF\xBD"
         "A\xEF\xBF\xBD"},                                  // unpaired halves
        {std::string("\x41\x00\x00\x00\x42\x00", 6), "A"},  // ends at U+0000
        {std::string("\x41\x00\x42", 3), "A"},              // a last odd byte
        {std::string("\xFF\xFE"
                     "a\x00\x52",
                     5),
         "a"},  // a cut-off pair
        {"", ""},
    };
    for (const auto& [stored, text] : cases) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(stored.data());
        EXPECT_EQ(jet4_text_to_utf8(std::span(bytes, stored.size())), text) << text;
    }
}

}  // namespace
}  // namespace qinghe::jet
