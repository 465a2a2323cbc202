// A player page that will not give way (a script that never yields, a
// beforeunload that holds on to the page, a page of 50 MB) must not keep
// the next video from loading: each later play gets its page.
#include "real_window.h"

#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

namespace qinghe::test {
namespace {

struct HostilePage {
    const char* name;
    std::string html;
    bool user_touches_page;  // the page holds on only once the user has used it
};

std::string huge_page() {
    std::string html = "<!DOCTYPE html><html><body>";
    const std::string paragraph = "<p>一段很长的文字，重复很多次。</p>\n";
    while (html.size() < 50u * 1024 * 1024) html += paragraph;
    return html + "</body></html>";
}

TEST_F(RealWindowTest, ANewPlayAlwaysGetsItsPageWhateverTheCurrentPageDoes) {
    const HostilePage pages[] = {
        {"busy loop", "<body onload=\"setTimeout(function () { for (;;) {} }, 100)\">忙</body>", false},
        {"beforeunload",
         "<body><script>window.onbeforeunload = function (e) { e.preventDefault();"
         " e.returnValue = '别走'; return '别走'; };</script>留</body>",
         true},
        {"50 MB", huge_page(), false},
    };
    const Site youku{"web_2_1_7", "youku.htm", "yk 002&x=中文", 495, 746, "第2集"};
    const Site sina{"web_3_1_7", "sina.htm", "sn-003", 495, 806, "第3集"};
    for (const HostilePage& hostile : pages) {
        SCOPED_TRACE(hostile.name);
        std::ofstream(dir.path() / "bg" / "tudou.htm", std::ios::binary | std::ios::trunc) << hostile.html;
        const auto loads_before = loaded.size();
        ASSERT_TRUE(user->click("web_1_1_7"));
        wait_for(
            view, &QWebEngineView::loadFinished, [&] { return loaded.size() > loads_before; }, 10000);
        if (hostile.user_touches_page) QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, QPoint(40, 40));
        QTest::qWait(300);
        play(youku);
        play(sina);
    }
}

}  // namespace
}  // namespace qinghe::test
