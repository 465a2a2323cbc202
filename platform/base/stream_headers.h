#pragma once

#include <string>
#include <string_view>

namespace qinghe::platform {

// The request headers a stream's server wants on every request for it.
// Empty fields are not sent.
struct StreamHeaders {
    std::string user_agent;
    std::string referer;
    std::string origin;

    bool empty() const { return user_agent.empty() && referer.empty() && origin.empty(); }
    bool operator==(const StreamHeaders&) const = default;
};

// A video identifier carries its stream's headers after the address, in the
// suffix form playlists use, "address|User-Agent=...&Referer=...&Origin=...",
// with the bar written "%7C": a bare "|" would split the play list's fields,
// and a catalogue passes the identifier on unchanged all the same. Values
// are percent-encoded, so none holds "&", "|", "$" or a blank.
std::string with_stream_headers(std::string_view address, const StreamHeaders& headers);

struct StreamIdentifier {
    std::string address;
    StreamHeaders headers;
};

// Takes an identifier apart again: the address before the suffix and the
// headers it names. The suffix starts at the first "%7C" (any case) or "|"
// whose remainder is a list of name=value pairs naming one of the three
// headers; names are compared without
// regard to case ("Referrer" counts as "Referer"); unknown names, and values
// holding a control byte (a line break would start another header), are
// dropped. An identifier without such a suffix is all address.
StreamIdentifier split_stream_headers(std::string_view identifier);

// The field of headers that a header name names, compared without regard to
// case ("Referrer" counts as "Referer"); nullptr for any other name.
std::string* stream_header_field(StreamHeaders& headers, std::string_view name);

// Text with every "%" and two hex digits replaced by the byte they name; a
// "%" without them stays as it is.
std::string percent_decoded(std::string_view text);

}  // namespace qinghe::platform
