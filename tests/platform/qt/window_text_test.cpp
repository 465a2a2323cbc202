// Text that goes to the window system (the caption, a tree row's accessible
// name) is bounded; the controls themselves keep the whole text.
#include "platform/qt/window_text.h"
#include "platform/qt/keyed_tree_item.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/qt_text.h"

#include <QTreeWidget>
#include <gtest/gtest.h>

#include <string>

namespace qinghe::platform::qt {
namespace {

std::string repeated(const std::string& piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

TEST(WindowTextTest, LongTextIsCutOnACharacterBoundaryAndTheControlsKeepTheWhole) {
    const QString ellipsis(QChar(0x2026));
    const struct {
        const char* what;
        std::string text;
        bool cut;
    } cases[] = {
        {"the caption while playing", "青禾网络电视 正在播放：三个网站——第1集", false},
        {"empty", "", false},
        {"exactly the bound", std::string(1024, 'a'), false},
        {"one past the bound", std::string(1025, 'a'), true},
        {"17 MB without a blank", std::string(17 * 1024 * 1024, 'x'), true},
        {"CJK", repeated("青禾", 5000), true},
        {"astral characters across the cut", repeated("😀", 2000), true},
        {"combining marks across the cut", "ab" + repeated("e\xcc\x81\xcc\x81", 600), true},
        {"invalid UTF-8", repeated("\xff\xfe", 3000), true},
    };
    QtForm form(new QWidget);
    QTreeWidget tree;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString whole = to_qstring(c.text);
        const QString shown = window_text(whole);
        if (!c.cut) {
            EXPECT_EQ(shown, whole);
        } else {
            EXPECT_LE(shown.size(), max_window_text);
            EXPECT_GE(shown.size(), max_window_text - 8);
            EXPECT_TRUE(shown.endsWith(ellipsis));
            const QString kept = shown.chopped(1);
            EXPECT_TRUE(whole.startsWith(kept));
            EXPECT_FALSE(kept.back().isHighSurrogate()) << "no half of a surrogate pair";
            EXPECT_NE(whole.at(kept.size()).category(), QChar::Mark_NonSpacing) << "no mark torn from its letter";
        }

        form.set_caption(c.text);
        EXPECT_EQ(form.windowTitle(), shown);
        EXPECT_EQ(form.caption(), to_std(whole)) << "the window still holds the whole caption";

        auto* item = new KeyedTreeItem("k", 0, whole);
        tree.addTopLevelItem(item);
        EXPECT_EQ(item->text(0), whole) << "the tree shows the whole text";
        const QVariant accessible = item->data(0, Qt::AccessibleTextRole);
        EXPECT_EQ(accessible.isValid() ? accessible.toString() : whole, shown);
        delete item;
    }
}

}  // namespace
}  // namespace qinghe::platform::qt
