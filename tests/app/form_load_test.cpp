#include "support/qt/form_fixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace qinghe::test {
namespace {

using catalogue_files::CatalogueBuilder;

CatalogueBuilder small_catalogue() {
    CatalogueBuilder c;
    c.category(1, "电影", 1, 1).programme(1, "城市之光", 1, "$$土豆|a|t").ad("新浪@#sina.com.cn");
    return c;
}

TEST(FormLoad, OpensTheCatalogueShowsTheWelcomeTextAndSilencesTheBrowser) {
    FormFixture f(small_catalogue());
    EXPECT_EQ(f.form().Form_Load(), app::Form1::LoadResult::running);
    EXPECT_TRUE(f.form().connection().is_open());
    ASSERT_FALSE(f.browser().addresses().empty());
    EXPECT_EQ(f.browser().addresses().front(), "about: blank");
    EXPECT_EQ(f.browser().page_text(), app::welcome_text);
    EXPECT_TRUE(f.browser().silent());
    EXPECT_EQ(f.form().fixed_size().height, platform::startup_window_height);
    EXPECT_EQ(f.form().fixed_size().width, platform::startup_window_width);
    EXPECT_EQ(f.window().caption(), platform::application_title);
    ASSERT_TRUE(f.form().ad_list().has_value());
    EXPECT_EQ(f.form().ad_list()->size(), 2U);
}

TEST(FormLoad, WithoutAUsableCatalogueTheWindowStillComesUpWithTheWelcomeText) {
    FormFixture missing;
    missing.start();
    EXPECT_FALSE(missing.form().connection().is_open());
    EXPECT_EQ(missing.browser().page_text(), app::welcome_text);
    EXPECT_EQ(missing.root_keys(), std::vector<std::string>{"tv1_search"});
    EXPECT_FALSE(missing.window().timer1().enabled());

    CatalogueBuilder c = small_catalogue();
    FormFixture wrong_password;
    c.write(wrong_password.catalogue_file(), "not-the-password");
    wrong_password.start();
    EXPECT_FALSE(wrong_password.form().connection().is_open());
    EXPECT_EQ(wrong_password.browser().page_text(), app::welcome_text);
    EXPECT_EQ(wrong_password.root_keys(), std::vector<std::string>{"tv1_search"});
}

TEST(FormLoad, ASecondInstanceOpensNothingAndShowsNothing) {
    FormFixture f(small_catalogue());
    f.process().set_another_instance(true);
    EXPECT_EQ(f.form().Form_Load(), app::Form1::LoadResult::another_instance_running);
    EXPECT_EQ(f.connections_made(), 0);
    EXPECT_TRUE(f.browser().addresses().empty());
    EXPECT_FALSE(f.window().isVisible());
}

TEST(FormLoad, TheTreeIsFilledOnTheFirstTickAfterTheCatalogueHasLoaded) {
    FormFixture f(small_catalogue(), FormFixture::SearchOn::indexed);
    f.set_catalogue_loading(true);
    f.form().Form_Load();
    for (int tick = 0; tick < 3; ++tick) f.form().Timer1_Timer();
    EXPECT_TRUE(f.root_keys().empty());
    EXPECT_TRUE(f.window().timer1().enabled());

    f.set_catalogue_loading(false);
    f.form().Timer1_Timer();
    EXPECT_EQ(f.root_keys(), (std::vector<std::string>{"tv1_search", "lb_1"}));
    EXPECT_FALSE(f.window().timer1().enabled());
    EXPECT_TRUE(FormFixture::wait_until([&] { return f.index_builds() == 1; }));
}

TEST(FormUnload, ClosesAndReleasesTheConnectionAndNeverFailsWithoutOne) {
    FormFixture f(small_catalogue());
    f.start();
    ASSERT_TRUE(f.form().connection().is_open());
    // Released: the next use makes a new, unopened connection.
    f.form().Form_Unload();
    EXPECT_FALSE(f.form().connection().is_open());
    EXPECT_EQ(f.connections_made(), 2);

    FormFixture never_opened;
    never_opened.start();
    never_opened.form().Form_Unload();
    never_opened.form().connection();
    EXPECT_EQ(never_opened.connections_made(), 2);
    // Closing twice is just as harmless.
    never_opened.form().Form_Unload();
}

TEST(FormUnload, TheCatalogueFileIsNeverChanged) {
    FormFixture f(small_catalogue());
    const auto file = f.catalogue_file();
    const auto size = std::filesystem::file_size(file);
    const auto stamp = std::filesystem::last_write_time(file);
    f.start();
    f.form().Tv1_Expand("tv1_id_1");
    f.form().Tv1_NodeClick("web_1_1_1");
    f.form().Command1_Click();
    f.form().Form_Unload();
    EXPECT_EQ(std::filesystem::file_size(file), size);
    EXPECT_EQ(std::filesystem::last_write_time(file), stamp);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.dir().path()), {}), 1);
}

TEST(FormControls, FocusStartsInTheTreeAndTabMovesToSearchBoxButtonAndBrowser) {
    FormFixture f(small_catalogue());
    f.start();
    f.window().show();
    QApplication::setActiveWindow(&f.window());
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), f.tree().widget());
    const auto press_tab = [] {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &tab);
        QApplication::processEvents();
    };
    press_tab();
    EXPECT_EQ(QApplication::focusWidget(), &f.text1());
    press_tab();
    EXPECT_EQ(QApplication::focusWidget(), &f.command1());
    press_tab();
    const auto& web = test::named_child<QWidget>(f.window(), "Web1");
    EXPECT_TRUE(QApplication::focusWidget() == &web || web.isAncestorOf(QApplication::focusWidget()));
}

}  // namespace
}  // namespace qinghe::test
