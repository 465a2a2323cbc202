#include "platform/sqlcipher/statement_rewrite.h"

#include "platform/base/text.h"

#include <vector>

namespace qinghe::platform::sqlcipher {

namespace {

// A token of SQL text as far as the rewrite needs to know it: words and
// numbers, ";" and everything else, with the parenthesis depth it stands at.
// String literals and quoted names are single tokens, so nothing inside them
// is ever taken for a keyword or a separator; blanks and comments are skipped.
struct Token {
    enum class Kind { word, number, semicolon, other };
    Kind kind;
    std::size_t begin;
    std::size_t end;
    int depth;
};

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_word_start(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool is_word_char(char c) {
    return is_word_start(c) || is_digit(c) || c == '$';
}

// Index just past a quoted run starting at `pos` (the opening quote); a
// doubled closing quote stands for itself. Unterminated runs end the text.
std::size_t skip_quoted(std::string_view s, std::size_t pos, char close) {
    const std::size_t n = s.size();
    ++pos;
    while (pos < n) {
        if (s[pos] == close) {
            if (close != ']' && pos + 1 < n && s[pos + 1] == close) {
                pos += 2;
                continue;
            }
            return pos + 1;
        }
        ++pos;
    }
    return n;
}

std::vector<Token> tokenize(std::string_view s) {
    std::vector<Token> tokens;
    const std::size_t n = s.size();
    std::size_t pos = 0;
    int depth = 0;
    while (pos < n) {
        const char c = s[pos];
        if (is_space(c)) {
            ++pos;
        } else if (c == '-' && pos + 1 < n && s[pos + 1] == '-') {
            while (pos < n && s[pos] != '\n') ++pos;
        } else if (c == '/' && pos + 1 < n && s[pos + 1] == '*') {
            const std::size_t close = s.find("*/", pos + 2);
            pos = close == std::string_view::npos ? n : close + 2;
        } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const std::size_t end = skip_quoted(s, pos, c == '[' ? ']' : c);
            tokens.push_back({Token::Kind::other, pos, end, depth});
            pos = end;
        } else if (is_word_start(c)) {
            std::size_t end = pos + 1;
            while (end < n && is_word_char(s[end])) ++end;
            tokens.push_back({Token::Kind::word, pos, end, depth});
            pos = end;
        } else if (is_digit(c)) {
            std::size_t end = pos + 1;
            while (end < n && (is_word_char(s[end]) || s[end] == '.')) ++end;
            tokens.push_back({Token::Kind::number, pos, end, depth});
            pos = end;
        } else if (c == ';') {
            tokens.push_back({Token::Kind::semicolon, pos, pos + 1, depth});
            ++pos;
        } else {
            tokens.push_back({Token::Kind::other, pos, pos + 1, depth});
            if (c == '(') ++depth;
            if (c == ')' && depth > 0) --depth;
            if (c == ')') tokens.back().depth = depth;
            ++pos;
        }
    }
    return tokens;
}

std::string_view text_of(std::string_view s, const Token& t) {
    return s.substr(t.begin, t.end - t.begin);
}

bool is_keyword(std::string_view s, const Token& t, std::string_view keyword) {
    return t.kind == Token::Kind::word && equals_ignoring_case(text_of(s, t), keyword);
}

bool only_blanks(std::string_view s) {
    for (char c : s)
        if (!is_space(c)) return false;
    return true;
}

// The body up to a final top-level ORDER BY clause; the whole body when it has
// none, or when a LIMIT follows the clause (then the order picks the rows).
std::string_view without_final_order_by(std::string_view body) {
    const std::vector<Token> tokens = tokenize(body);
    std::optional<std::size_t> order_at;
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i)
        if (tokens[i].depth == 0 && is_keyword(body, tokens[i], "order") && is_keyword(body, tokens[i + 1], "by"))
            order_at = i;
    if (!order_at || *order_at == 0) return body;
    for (std::size_t i = *order_at + 2; i < tokens.size(); ++i)
        if (tokens[i].depth == 0 && (is_keyword(body, tokens[i], "limit") || is_keyword(body, tokens[i], "offset")))
            return body;
    return body.substr(0, tokens[*order_at - 1].end);
}

constexpr std::size_t max_top_digits = 18;  // always fits std::int64_t

}  // namespace

std::optional<SqlStatement> rewrite_statement(std::string_view source) {
    const std::vector<Token> tokens = tokenize(source);
    std::size_t first = 0;
    while (first < tokens.size() && tokens[first].kind == Token::Kind::semicolon) ++first;
    if (first == tokens.size()) return std::nullopt;
    std::size_t last = first;
    while (last + 1 < tokens.size() && tokens[last + 1].kind != Token::Kind::semicolon) ++last;
    for (std::size_t i = last + 1; i < tokens.size(); ++i)
        if (tokens[i].kind != Token::Kind::semicolon) return std::nullopt;

    const std::size_t begin = tokens[first].begin;
    const std::size_t end = tokens[last].end;
    SqlStatement statement;

    // "select", blanks, "top", blanks, digits: the top clause.
    if (last >= first + 2) {
        const Token& select = tokens[first];
        const Token& top = tokens[first + 1];
        const Token& count = tokens[first + 2];
        const std::string_view digits = text_of(source, count);
        bool all_digits = count.kind == Token::Kind::number && digits.size() <= max_top_digits;
        for (char c : digits) all_digits = all_digits && is_digit(c);
        if (is_keyword(source, select, "select") && is_keyword(source, top, "top") && all_digits &&
            only_blanks(source.substr(select.end, top.begin - select.end)) &&
            only_blanks(source.substr(top.end, count.begin - top.end))) {
            std::int64_t n = 0;
            for (char c : digits) n = n * 10 + (c - '0');
            statement.top = n;
            statement.body = std::string(text_of(source, select));
            statement.body += source.substr(count.end, end - count.end);
            return statement;
        }
    }
    statement.body = std::string(source.substr(begin, end - begin));
    return statement;
}

std::string run_sql(const SqlStatement& statement) {
    if (!statement.top) return statement.body;
    return statement.body + " limit " + std::to_string(*statement.top);
}

std::string page_sql(const SqlStatement& statement, std::int64_t offset) {
    if (offset < 0) offset = 0;
    std::int64_t limit = -1;
    if (statement.top) limit = offset < *statement.top ? *statement.top - offset : 0;
    return statement.body + " limit " + std::to_string(limit) + " offset " + std::to_string(offset);
}

std::string count_sql(const SqlStatement& statement) {
    std::string inner(without_final_order_by(statement.body));
    if (statement.top) inner += " limit " + std::to_string(*statement.top);
    return "select count(*) from (" + inner + ")";
}

}  // namespace qinghe::platform::sqlcipher
