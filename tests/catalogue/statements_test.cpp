#include "catalogue/statements.h"

#include <gtest/gtest.h>

namespace qinghe::catalogue {
namespace {

TEST(CatalogueStatements, ConnectionStringNamesTavikDllInTheDirectory) {
    EXPECT_EQ(connection_string("/opt/青禾 tv"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/opt/青禾 tv\\tavik.dll;Persist Security "
              "Info=False;Jet OLEDB:Database Password=3b71d0");
}

TEST(CatalogueStatements, TheSevenStatementsWordForWord) {
    EXPECT_EQ(ad_query(), "select * from ad");
    EXPECT_EQ(category_query(), "select * from vlb order by px");
    EXPECT_EQ(first_page_query(7), "select top 51 id,tit from t1 where lb_id=7 order by up_dt desc,id desc");
    EXPECT_EQ(first_page_query(-32768), "select top 51 id,tit from t1 where lb_id=-32768 order by up_dt desc,id desc");
    EXPECT_EQ(later_page_query(32767), "select id,tit from t1 where lb_id=32767 order by up_dt desc,id desc");
    EXPECT_EQ(programme_query("1024"), "select * from t1 where id=1024");
    EXPECT_EQ(play_query("1024"), "select tit,adds from t1 where id=1024");
    EXPECT_EQ(search_query("西游"),
              "select top 50 id,tit from t1 where tit like '%西游%' or  player like '%西游%' order by id desc");
}

TEST(CatalogueStatements, TheSearchTextIsQuotedWithApostrophesDoubledAndWildcardsKept) {
    EXPECT_EQ(search_query(""),
              "select top 50 id,tit from t1 where tit like '%%' or  player like '%%' order by id desc");
    EXPECT_EQ(search_query("it's 5%_'"),
              "select top 50 id,tit from t1 where tit like '%it''s 5%_''%' or  player like '%it''s 5%_''%' "
              "order by id desc");
}

}  // namespace
}  // namespace qinghe::catalogue
