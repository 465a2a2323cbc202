#include "ticker/ad_ticker.h"
#include "support/qt/form_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qinghe::test {
namespace {

using ticker::label_gap;
using ticker::ticker_step;

using catalogue_files::CatalogueBuilder;

// A window whose catalogue holds the given ad text (or, with Null, none).
struct TickerFixture {
    explicit TickerFixture(catalogue_files::Cell ad_text) : f(catalogue(std::move(ad_text))) { f.start(); }
    static CatalogueBuilder catalogue(catalogue_files::Cell ad_text) {
        CatalogueBuilder c;
        c.ad(std::move(ad_text));
        return c;
    }
    std::vector<std::string> captions() {
        std::vector<std::string> out;
        for (int i = 0; i < labels().count(); ++i) out.push_back(labels().caption(i));
        return out;
    }
    platform::qt::QtTickerLabels& labels() { return f.labels(); }
    void tick() { f.form().Timer2_Timer(); }
    FormFixture f;
};

std::string ad_text_of(int n) {
    std::string text;
    for (int i = 0; i < n; ++i)
        text += (i == 0 ? "" : "@#") + std::string(i % 2 == 0 ? "广告" : "link") + std::to_string(i);
    return text;
}

TEST(TickerBuild, ThreeAdsMakeThreeLabelsInARowAGapApart) {
    TickerFixture t(std::string("新浪@#sina.com.cn@#搜狐@#sohu.com@#网易@#163.com"));
    auto& l = t.labels();
    ASSERT_EQ(l.count(), 3);
    EXPECT_EQ(t.captions(), (std::vector<std::string>{"新浪", "搜狐", "网易"}));
    EXPECT_FLOAT_EQ(l.left(0), 0.0F);
    EXPECT_FLOAT_EQ(l.left(1), l.width(0) + label_gap);
    EXPECT_FLOAT_EQ(l.left(2), l.width(0) + l.width(1) + 2 * label_gap);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(l.visible(i)) << i;
    EXPECT_GT(l.width(0), 0.0F);

    t.f.form().Label3_Click(1);
    ASSERT_EQ(t.f.process().started().size(), 1U);
    EXPECT_EQ(t.f.process().started()[0].first, "explorer.exe   Http://sohu.com");
    EXPECT_EQ(t.f.process().started()[0].second, ticker::ticker_window_style);
}

TEST(TickerBuild, NumberOfLabelsFollowsTheHalfToEvenRule) {
    const std::pair<int, int> table[] = {{1, 1}, {2, 1}, {3, 1}, {4, 2}, {5, 3}, {6, 3}, {7, 3}, {9, 5}};
    for (const auto& [n, labels] : table) {
        TickerFixture t(ad_text_of(n));
        EXPECT_EQ(t.labels().count(), labels) << "n = " << n;
        EXPECT_EQ(t.labels().caption(0), "广告0") << "n = " << n;
    }
}

TEST(TickerBuild, AnUnpairedLastCaptionHasNoLink) {
    TickerFixture t(std::string("c0@#l0@#c1@#l1@#c2"));
    ASSERT_EQ(t.labels().count(), 3);
    EXPECT_EQ(t.labels().caption(2), "c2");
    t.f.form().Label3_Click(2);
    t.f.form().Label3_Click(0);
    ASSERT_EQ(t.f.process().started().size(), 1U);
    EXPECT_EQ(t.f.process().started()[0].first, "explorer.exe   Http://l0");
}

TEST(TickerBuild, ATrailingSeparatorGivesAnEmptyLabelThatStillTakesItsPlace) {
    TickerFixture t(std::string("c0@#l0@#c1@#l1@#"));
    auto& l = t.labels();
    ASSERT_EQ(l.count(), 3);
    EXPECT_EQ(l.caption(2), "");
    EXPECT_FLOAT_EQ(l.left(2), l.left(1) + l.width(1) + label_gap);

    TickerFixture seven(std::string("c0@#l0@#c1@#l1@#c2@#l2@#"));
    EXPECT_EQ(seven.captions(), (std::vector<std::string>{"c0", "c1", "c2"}));
}

TEST(TickerBuild, ACaptionWithoutSeparatorIsOneLabelWithoutLink) {
    TickerFixture t(std::string("只有标题"));
    ASSERT_EQ(t.labels().count(), 1);
    EXPECT_EQ(t.labels().caption(0), "只有标题");
    t.f.form().Label3_Click(0);
    EXPECT_TRUE(t.f.process().started().empty());
}

TEST(TickerBuild, EmptyAdTextKeepsTheDesignCaptionScrolling) {
    TickerFixture t(std::string(""));
    ASSERT_EQ(t.labels().count(), 1);
    EXPECT_EQ(t.labels().caption(0), "Label3111");
    const float before = t.labels().left(0);
    t.tick();
    EXPECT_FLOAT_EQ(t.labels().left(0), before - ticker_step);
    t.f.form().Label3_Click(0);
    EXPECT_TRUE(t.f.process().started().empty());
}

TEST(TickerBuild, NoAdTextShowsNoLabelAndClicksStartNothing) {
    TickerFixture null_ad(std::monostate{});
    EXPECT_FALSE(null_ad.labels().visible(0));
    null_ad.tick();
    null_ad.f.form().Label3_Click(0);
    EXPECT_TRUE(null_ad.f.process().started().empty());

    FormFixture no_catalogue;
    no_catalogue.start();
    EXPECT_FALSE(no_catalogue.labels().visible(0));
    no_catalogue.form().Timer2_Timer();
    no_catalogue.form().Label3_Click(0);
    EXPECT_TRUE(no_catalogue.process().started().empty());
}

TEST(TickerTick, ASingleLabelReentersAtTheStripsRightEdgeOnlyOnceFullyOut) {
    TickerFixture t(std::string("一条广告@#example.cn"));
    auto& l = t.labels();
    ASSERT_EQ(l.count(), 1);
    const float w = l.width(0);
    // Right edge lands exactly on 0: still not out of sight.
    l.set_left(0, ticker_step - w);
    t.tick();
    EXPECT_FLOAT_EQ(l.left(0), -w);
    t.tick();
    EXPECT_FLOAT_EQ(l.left(0), l.strip_width());
}

TEST(TickerTick, RowModeMovesEveryLabelAndLoopsThemBehindEachOther) {
    TickerFixture t(std::string("a@#1@#bb@#2@#ccc@#3"));
    auto& l = t.labels();
    ASSERT_EQ(l.count(), 3);
    const float w0 = l.width(0), w1 = l.width(1), w2 = l.width(2);
    t.tick();
    EXPECT_FLOAT_EQ(l.left(0), -ticker_step);
    EXPECT_FLOAT_EQ(l.left(1), w0 + label_gap - ticker_step);
    EXPECT_FLOAT_EQ(l.left(2), w0 + w1 + 2 * label_gap - ticker_step);

    // Tick until label 0 has left; it goes behind the last label, read before
    // that label moved in the same tick, so its gap grows by a step.
    bool placed = false;
    for (int ticks = 0; ticks < 1000 && !placed; ++ticks) {
        const float last_before = l.left(2);
        t.tick();
        if (l.left(0) > 0.0F) {
            placed = true;
            EXPECT_FLOAT_EQ(l.left(0), last_before + w2 + label_gap);
            EXPECT_FLOAT_EQ(l.left(0) - (l.left(2) + w2), label_gap + ticker_step);
        }
    }
    EXPECT_TRUE(placed);
    // The other gaps stay as they were.
    EXPECT_FLOAT_EQ(l.left(2) - (l.left(1) + w1), label_gap);
}

TEST(TickerTick, InRowModeALabelReappearsRightBehindItsPredecessorEvenInsideTheStrip) {
    TickerFixture t(std::string("a@#1@#b@#2"));
    auto& l = t.labels();
    ASSERT_EQ(l.count(), 2);
    // Label 1 has just left on the left; label 0 stands inside the strip.
    l.set_left(0, 500.0F);
    l.set_left(1, -l.width(1) + 10.0F);
    t.tick();
    EXPECT_FLOAT_EQ(l.left(0), 500.0F - ticker_step);
    EXPECT_FLOAT_EQ(l.left(1), 500.0F - ticker_step + l.width(0) + label_gap);
    EXPECT_LT(l.left(1), l.strip_width());
}

TEST(TickerClick, TheLinkReachesTheStarterVerbatimAndAFailedStartIsHarmless) {
    TickerFixture t(std::string("怪链接@#example.cn/a b?\"q\";$(rm -rf ~)&x=1"));
    t.f.form().Label3_Click(0);
    ASSERT_EQ(t.f.process().started().size(), 1U);
    EXPECT_EQ(t.f.process().started()[0].first, "explorer.exe   Http://example.cn/a b?\"q\";$(rm -rf ~)&x=1");

    t.f.process().set_fail_starts(true);
    t.f.form().Label3_Click(0);
    EXPECT_EQ(t.f.process().started().size(), 1U);
}

}  // namespace
}  // namespace qinghe::test
