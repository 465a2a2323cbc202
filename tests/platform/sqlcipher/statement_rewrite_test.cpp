#include "platform/sqlcipher/statement_rewrite.h"

#include <gtest/gtest.h>

namespace qinghe::platform::sqlcipher {
namespace {

SqlStatement rewritten(const std::string& source) {
    const auto statement = rewrite_statement(source);
    EXPECT_TRUE(statement.has_value()) << source;
    return statement.value_or(SqlStatement{});
}

TEST(StatementRewrite, LeadingTopBecomesALimitWhateverTheCaseAndBlanks) {
    EXPECT_EQ(run_sql(rewritten("select top 51 id,tit from t1 where lb_id=3 order by up_dt desc,id desc")),
              "select id,tit from t1 where lb_id=3 order by up_dt desc,id desc limit 51");
    EXPECT_EQ(run_sql(rewritten("  SeLeCt\t\tTOP\n  7   * from ad ;  ")), "SeLeCt   * from ad limit 7");
    // "top" in a literal later on is left alone.
    EXPECT_EQ(run_sql(rewritten("select top 50 id from t1 where tit like '%select top 3%'")),
              "select id from t1 where tit like '%select top 3%' limit 50");
}

TEST(StatementRewrite, StatementsWithoutALeadingTopRunAsWritten) {
    for (const char* sql : {"select * from ad", "select top from t", "select x from t where y='select top 5 z'",
                            "select distinct top 5 x from t", "select top(5) x from t"}) {
        const auto s = rewritten(sql);
        EXPECT_FALSE(s.top.has_value()) << sql;
        EXPECT_EQ(run_sql(s), sql);
    }
}

TEST(StatementRewrite, OnlyOneStatementIsAccepted) {
    for (const char* sql : {"select 1; select 2", "select 1;delete from t1", "", "  ;; ", "-- only a comment"})
        EXPECT_FALSE(rewrite_statement(sql)) << sql;
    // Separators inside literals, quoted names and comments do not count.
    EXPECT_EQ(rewritten("select ';', \"a;b\", [c;d] from t").body, "select ';', \"a;b\", [c;d] from t");
    EXPECT_EQ(rewritten("select 1 -- ; select 2\n;;").body, "select 1");
    EXPECT_EQ(rewritten("select 1 /* ; select 2 */ ; ").body, "select 1");
}

TEST(StatementRewrite, PagesAndCountsReuseTheBody) {
    const auto unlimited = rewritten("select id,tit from t1 where lb_id=3 order by up_dt desc,id desc");
    EXPECT_EQ(page_sql(unlimited, 50), unlimited.body + " limit -1 offset 50");
    EXPECT_EQ(count_sql(unlimited), "select count(*) from (select id,tit from t1 where lb_id=3)");
    const auto limited = rewritten("select top 51 id from t order by id");
    EXPECT_EQ(page_sql(limited, 50), "select id from t order by id limit 1 offset 50");
    EXPECT_EQ(page_sql(limited, 60), "select id from t order by id limit 0 offset 60");
    EXPECT_EQ(count_sql(limited), "select count(*) from (select id from t limit 51)");
    // An order inside parentheses, or one a limit depends on, stays.
    for (const char* sql : {"select * from (select a from t order by a) where a > 1",
                            "select a from t order by a limit 3", "select 'order by' from t"})
        EXPECT_EQ(count_sql(rewritten(sql)), std::string("select count(*) from (") + sql + ")");
}

}  // namespace
}  // namespace qinghe::platform::sqlcipher
