#include "platform/sqlcipher/connection_string.h"
#include "platform/base/error.h"
#include "platform/base/native_path.h"

#include <gtest/gtest.h>

namespace qinghe::platform::sqlcipher {
namespace {

std::string value_of(const ConnectionProperties& p, const std::string& key) {
    const std::string* v = find_property(p, key);
    return v ? *v : "<absent>";
}

TEST(ConnectionString, KeysInAnyCaseAndBlanksAroundPairsAndEmptyPairs) {
    const auto p = parse_connection_string(
        ";; Provider=Microsoft.Jet.OLEDB.4.0;  DATA SOURCE =  /opt/qinghe tv\\tavik.dll  ;;Persist Security "
        "Info=False;\tjet oledb:database PASSWORD\t=\t3b71d0 ; a=1; A=2; empty= ;");
    EXPECT_EQ(value_of(p, "provider"), "Microsoft.Jet.OLEDB.4.0");
    EXPECT_EQ(value_of(p, "Data Source"), "/opt/qinghe tv\\tavik.dll");
    EXPECT_EQ(value_of(p, "Jet OLEDB:Database Password"), "3b71d0");
    EXPECT_EQ(value_of(p, "a"), "2");  // the last repeat wins
    EXPECT_EQ(value_of(p, "empty"), "");
    EXPECT_EQ(value_of(p, "User ID"), "<absent>");
    EXPECT_EQ(p.size(), 6u);
}

TEST(ConnectionString, QuotedValuesKeepSeparatorsBlanksAndDoubledQuotes) {
    const auto p = parse_connection_string("a=\"x;y=z\";b='it''s';c=\"say \"\"hi\"\"\";d=\"  padded \" ; e='';f=it's");
    EXPECT_EQ(value_of(p, "a"), "x;y=z");
    EXPECT_EQ(value_of(p, "b"), "it's");
    EXPECT_EQ(value_of(p, "c"), "say \"hi\"");
    EXPECT_EQ(value_of(p, "d"), "  padded ");
    EXPECT_EQ(value_of(p, "e"), "");
    EXPECT_EQ(value_of(p, "f"), "it's");  // a quote inside an unquoted value is plain text
}

TEST(ConnectionString, MalformedStringsFail) {
    for (const char* text : {"Provider", "a=1;b", "=value", "a='unterminated", "a=\"x\"\"", "a='x' trailing;b=1"})
        EXPECT_THROW(parse_connection_string(text), PlatformError) << text;
}

TEST(ConnectionString, BackslashPathsBecomeNativeAfterTheProgramsDirectory) {
    const struct {
        const char* path;
        const char* directory;
        const char* native;
    } cases[] = {
        {"/opt/qinghe\\tavik.dll", "", "/opt/qinghe/tavik.dll"},
        {"C:\\a b\\tavik.dll", "", "C:/a b/tavik.dll"},
        {"/opt/a\\b\\bg\\tudou.htm", "/opt/a\\b", "/opt/a\\b/bg/tudou.htm"},
        {"/opt/a\\b", "/opt/a\\b", "/opt/a\\b"},
        {"/opt/a\\bc\\tavik.dll", "/opt/a\\b", "/opt/a/bc/tavik.dll"},  // another directory
        {"/other\\tavik.dll", "/opt/a\\b", "/other/tavik.dll"},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::native_path(c.path, c.directory), c.native) << c.path;
}

}  // namespace
}  // namespace qinghe::platform::sqlcipher
