// The statement rewrite: any text gives one statement or none and never
// fails; a statement without a leading top runs exactly as written, one with
// it keeps its body and its row limit, and the search statement keeps its
// shape whatever the search text holds.
#include "catalogue/statements.h"
#include "fuzz/fuzz_check.h"
#include "platform/base/text.h"
#include "platform/sqlcipher/connection_string.h"
#include "platform/sqlcipher/statement_rewrite.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <regex>
#include <string>

namespace {

using namespace qinghe;
using namespace qinghe::platform::sqlcipher;
using fuzz::check;
using platform::is_blank;
using platform::starts_with_ignoring_case;

// Text with nothing around the statement that the rewrite would drop: no
// blanks or ";" at either end and no comment anywhere.
bool is_bare(const std::string& s) {
    return !s.empty() && !is_blank(s.front()) && !is_blank(s.back()) && s.front() != ';' && s.back() != ';' &&
           s.find("--") == std::string::npos && s.find("/*") == std::string::npos;
}

void check_rewrite(const std::string& source) {
    const std::optional<SqlStatement> statement = rewrite_statement(source);
    if (!statement) return;
    const std::string& body = statement->body;
    check(!body.empty(), "a statement has a body");
    check(!is_blank(body.front()), "the body has no blanks in front");
    // A literal or quoted name left open runs to the end of the text, blanks
    // and all; anything else ends at its last character.
    if (source.find_first_of("'\"`[") == std::string::npos)
        check(!is_blank(body.back()), "the body has no blanks behind");

    if (!statement->top) {
        check(source.find(body) != std::string::npos, "a statement without top is a piece of its source");
        check(run_sql(*statement) == body, "a statement without top runs as its body");
        const std::optional<SqlStatement> again = rewrite_statement(body);
        check(again && again->body == body && !again->top, "rewriting a rewritten statement changes nothing");
        if (is_bare(source)) check(body == source, "a statement without a leading top is unchanged");
        return;
    }

    const std::int64_t top = *statement->top;
    check(top >= 0, "a row limit is not negative");
    check(starts_with_ignoring_case(body, "select"), "a top statement begins with select");
    check(run_sql(*statement) == body + " limit " + std::to_string(top), "a top clause runs as a limit");
    // Writing the top clause back in front of the rest gives the same statement.
    const std::string rebuilt = body.substr(0, 6) + " top " + std::to_string(top) + body.substr(6);
    const std::optional<SqlStatement> again = rewrite_statement(rebuilt);
    check(again && again->top == top && again->body == body, "a top clause written back reads the same");
    for (const std::int64_t offset : {std::int64_t{0}, top / 2, top, top + 1}) {
        const std::string page = page_sql(*statement, offset);
        check(page == body + " limit " + std::to_string(offset < top ? top - offset : 0) + " offset " +
                          std::to_string(offset),
              "a page of a top statement never reaches past its row limit");
    }
}

// The search statement around any search text: the text stays inside its two
// literals, so the statement keeps its top clause, its body and its order.
void check_search(const std::string& search_text) {
    // Inside a literal every "'" is written twice.
    static const std::regex quote("'");
    const std::string pattern = std::regex_replace(search_text, quote, "''");
    const std::string where = " id,tit from t1 where tit like '%" + pattern + "%' or  player like '%" + pattern + "%'";
    const std::optional<SqlStatement> statement = rewrite_statement(catalogue::search_query(search_text));
    check(statement.has_value(), "every search text gives one statement");
    check(statement->top == catalogue::max_search_results, "the search statement keeps its limit");
    check(statement->body == "select" + where + " order by id desc", "the search text stays inside its literals");
    check(count_sql(*statement) ==
              "select count(*) from (select" + where + " limit " + std::to_string(catalogue::max_search_results) + ")",
          "the search count counts the limited rows");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::int16_t lb_id = input.ConsumeIntegral<std::int16_t>();
    const std::string search_text = input.ConsumeRandomLengthString(256);
    const std::string source = input.ConsumeRemainingBytesAsString();

    check_rewrite(source);
    check_search(search_text);
    const std::optional<SqlStatement> first_page = rewrite_statement(catalogue::first_page_query(lb_id));
    check(first_page && first_page->top == catalogue::page_size + 1, "the first-page statement keeps its limit");
    const std::string later = catalogue::later_page_query(lb_id);
    const std::optional<SqlStatement> later_page = rewrite_statement(later);
    check(later_page && !later_page->top && later_page->body == later, "the later-page statement runs as written");
    return 0;
}
