#include "platform/base/stream_headers.h"

#include <gtest/gtest.h>

namespace qinghe::platform {
namespace {

TEST(StreamHeaders, AnIdentifierCarriesItsHeadersAndGivesThemBack) {
    struct Case {
        std::string address;
        StreamHeaders headers;
    };
    const std::vector<Case> cases = {
        {"http://h/a.m3u8", {}},
        {"http://h/a.m3u8?x=1&y=2", {"Mozilla/5.0 (X11; Linux) a&b|c$$d=e%", "http://r/?q=1&p=2", "http://o"}},
        {"http://h/a%7Cb=c.m3u8", {"", "http://r/", ""}},
        {"media/a b.mp4", {"中文 UA", "", ""}},
        {"http://h/a.ts", {"ua|", "http://r", ""}},
    };
    for (const Case& c : cases) {
        const std::string identifier = with_stream_headers(c.address, c.headers);
        SCOPED_TRACE(identifier);
        for (const char* forbidden : {"|", "$$", " "})
            EXPECT_EQ(identifier.find(forbidden, c.address.size()), std::string::npos);
        const StreamIdentifier back = split_stream_headers(identifier);
        EXPECT_EQ(back.address, c.address);
        EXPECT_EQ(back.headers, c.headers);
    }
}

TEST(StreamHeaders, OnlyASuffixNamingAHeaderIsTakenForOne) {
    const std::vector<std::pair<std::string, StreamIdentifier>> cases = {
        {"http://h/a?q=x%7Cy=z", {"http://h/a?q=x%7Cy=z", {}}},
        {"http://h/a|user-agent=A&REFERRER=http%3A%2F%2Fr&Cookie=c", {"http://h/a", {"A", "http://r", ""}}},
        {"http://h/a%7cOrigin=http://o", {"http://h/a", {"", "", "http://o"}}},
        {"http://h/a|seekable=0", {"http://h/a|seekable=0", {}}},
        {"http://h/a%7CUser-Agent=A%0D%0AX-Evil:%201&Referer=http://r", {"http://h/a", {"", "http://r", ""}}},
    };
    for (const auto& [identifier, expected] : cases) {
        SCOPED_TRACE(identifier);
        const StreamIdentifier split = split_stream_headers(identifier);
        EXPECT_EQ(split.address, expected.address);
        EXPECT_EQ(split.headers, expected.headers);
    }
}

}  // namespace
}  // namespace qinghe::platform
