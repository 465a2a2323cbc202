// Playlists: any bytes read as playlist lines end, and every entry they give
// names an address without a bar or control byte, whose identifier carries
// its headers and gives them back.
#include "fuzz/fuzz_check.h"
#include "platform/base/stream_headers.h"
#include "tools/playlist_import/playlist_parser.h"
#include "tools/playlist_import/text_encoding.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

using namespace qinghe;
using fuzz::check;

bool has_control_byte(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    return false;
}

bool holds_mark(std::string_view text) {
    if (text.find('|') != std::string_view::npos) return true;
    for (std::size_t at = text.find('%'); at != std::string_view::npos; at = text.find('%', at + 1))
        if (at + 2 < text.size() && text[at + 1] == '7' && (text[at + 2] == 'C' || text[at + 2] == 'c')) return true;
    return false;
}

void check_entry(const playlist_import::PlaylistEntry& entry) {
    check(!entry.address.empty(), "an entry names an address");
    check(entry.address.find('|') == std::string::npos, "the address ends before the player's options");
    check(!has_control_byte(entry.address), "the address holds no control byte");
    const std::string identifier = platform::with_stream_headers(entry.address, entry.headers);
    check(identifier.find('|', entry.address.size()) == std::string::npos, "the header suffix holds no bar");
    check(identifier.find("$$", entry.address.size()) == std::string::npos, "the header suffix holds no \"$$\"");
    if (holds_mark(entry.address)) return;  // an address may spell a suffix of its own
    const platform::StreamIdentifier back = platform::split_stream_headers(identifier);
    check(back.address == entry.address, "the identifier gives the address back");
    for (const std::string* value : {&entry.headers.user_agent, &entry.headers.referer, &entry.headers.origin})
        if (has_control_byte(*value)) return;  // such a value is never sent
    check(back.headers == entry.headers, "the identifier gives the headers back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    playlist_import::PlaylistParser parser("http://h/dir/", check_entry, [](std::size_t, const std::string&) {});
    std::size_t number = 0;
    try {
        for (std::size_t start = 0; start <= bytes.size();) {
            const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
            std::string line(bytes.substr(start, end - start));
            start = end + 1;
            ++number;
            if (!playlist_import::is_utf8(line)) {
                const auto decoded = playlist_import::gb18030_to_utf8(line);
                if (!decoded) continue;
                check(playlist_import::is_utf8(*decoded), "GB18030 text decodes to UTF-8");
                line = *decoded;
            }
            parser.line(line, number);
        }
        parser.finish();
    } catch (const std::runtime_error&) {
        // An HLS stream's own playlist is refused whole.
    }
    return 0;
}
