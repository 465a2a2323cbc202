// The search as the user sees it, over the 1,000,000-programme catalogue
// with its index built: from the click on the search button to the end of
// the frame that paints the listed rows, in a window whose tree holds the
// category roots and their first pages, as the program's does. Every click
// replaces the fifty rows of a common word, so the old children's removal
// is part of it. Beside it, the raw baseline: a click that puts fifty rows
// into a plain QTreeWidget, to the frame that paints them.
//
// Times are wall-clock, click to frame (the median of the clicks also goes
// into total_ms); the stage counters split it: clear_ms the old children's
// removal, queue_ms until the worker starts, search_ms the worker's search,
// hand_over_ms until the window's thread takes the rows, list_ms the tree's
// change, paint_ms until the frame is painted; frames counts the frames
// painted from the click to that one, itself included. bench/screen_run runs them in
// a real window on Xvfb, with a screen reader listening or not; the case
// names carry which (QINGHE_BENCH_SCREEN), "offscreen" otherwise.
#include "bench/bench_catalogues.h"
#include "bench/bench_support.h"
#include "bench/search_support.h"

#include "catalogue/queries.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/qt_tree_view.h"
#include "search/searcher.h"
#include "tree/category_paging.h"
#include "tree/category_roots.h"
#include "tree/node_keys.h"

#include <QEvent>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <stdexcept>
#include <vector>

namespace qinghe::bench {
namespace {

using Clock = std::chrono::steady_clock;

double ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The window: a search button above a tree, told when a frame has been
// painted and handed to the window system.
class FrameWindow final : public QWidget {
public:
    explicit FrameWindow(QAbstractScrollArea* tree) : button_(QStringLiteral("搜索"), this), tree_(tree) {
        setFixedSize(260, 480);
        button_.setGeometry(170, 4, 80, 26);
        tree_->setParent(this);
        tree_->setGeometry(4, 34, 230, 420);
        tree_->viewport()->installEventFilter(this);
        tree_->setFocus();
    }

    QPushButton& button() { return button_; }
    // Frames painted so far.
    int frames() const { return frames_; }

    // Runs the event loop until a frame ends in which the tree was painted
    // while shown() held; gives when that frame ended. Throws after 20 s.
    // repaint: asks for a frame of the whole window first.
    Clock::time_point wait_for_frame(std::function<bool()> shown, bool repaint = false) {
        shown_ = std::move(shown);
        painted_ = false;
        painted_in_update_ = false;
        framed_ = false;
        bool late = false;
        QTimer patience;
        patience.setSingleShot(true);
        QObject::connect(&patience, &QTimer::timeout, [&] { late = true; });
        patience.start(20000);
        if (repaint) update();
        wait_for([&] {
            // An exposure paints outside an update request, and has
            // finished by the time the event loop comes back here.
            if (painted_ && !framed_ && !painted_in_update_) {
                frame_end_ = Clock::now();
                framed_ = true;
            }
            return framed_ || late;
        });
        shown_ = nullptr;
        if (!framed_) throw std::runtime_error("the tree was never painted showing the result");
        return frame_end_;
    }

protected:
    bool event(QEvent* event) override {
        const bool update = event->type() == QEvent::UpdateRequest;
        in_update_ = update;
        const bool handled = QWidget::event(event);
        in_update_ = false;
        if (update) ++frames_;
        // The window's backing store is painted and flushed within this event.
        if (update && painted_ && !framed_) {
            frame_end_ = Clock::now();
            framed_ = true;
        }
        return handled;
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted_ && shown_ && shown_()) {
            painted_ = true;
            painted_in_update_ = in_update_;
        }
        return QWidget::eventFilter(watched, event);
    }

private:
    QPushButton button_;
    QAbstractScrollArea* tree_;
    std::function<bool()> shown_;
    bool in_update_ = false;
    bool painted_ = false;
    bool painted_in_update_ = false;
    bool framed_ = false;
    int frames_ = 0;
    Clock::time_point frame_end_;
};

// When each piece of work was handed over, ran on the worker and was taken
// up on the window's thread. The worker writes its two marks before the
// result is queued to the window's thread, which reads them after.
struct WorkMarks {
    Clock::time_point run, work_start, work_end, done_start, done_end;
    bool done = false;
};

class TimedWork final : public platform::BackgroundWork {
public:
    explicit TimedWork(platform::BackgroundWork& inner) : inner_(inner) {}

    void run(std::function<void(platform::Connection&)> work, std::function<void()> done) override {
        marks = WorkMarks{};
        marks.run = Clock::now();
        inner_.run(
            [this, work = std::move(work)](platform::Connection& connection) {
                marks.work_start = Clock::now();
                work(connection);
                marks.work_end = Clock::now();
            },
            [this, done = std::move(done)] {
                marks.done_start = Clock::now();
                done();
                marks.done_end = Clock::now();
                marks.done = true;
            });
    }
    void stop() noexcept override { inner_.stop(); }

    WorkMarks marks;

private:
    platform::BackgroundWork& inner_;
};

// Each stage's time over the clicks; the counters get the medians.
class Stages {
public:
    void add(const char* stage, double ms) { times_[stage].push_back(ms); }
    void report(benchmark::State& state) {
        for (auto& [stage, times] : times_) {
            std::sort(times.begin(), times.end());
            state.counters[stage] = times[times.size() / 2];
        }
    }

private:
    std::map<std::string, std::vector<double>> times_;
};

QTreeWidgetItem* search_root_item(QTreeWidget& tree) {
    QTreeWidgetItem* root = tree.topLevelItem(0);
    if (root == nullptr) throw std::runtime_error("the tree has no search root");
    return root;
}

// The user has chosen the first result before searching again, and the
// window has caught up with what happened so far.
void choose_first_row(QTreeWidget& tree, QTreeWidgetItem* root) {
    if (root->childCount() > 0) tree.setCurrentItem(root->child(0));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

std::string result_label(QTreeWidgetItem* root) {
    return root->text(0).toStdString() + ", " + std::to_string(root->childCount()) + " rows";
}

void search_screen_system(benchmark::State& state, std::size_t word) {
    guarded(
        state,
        [&] {
            const std::string app_path = catalogue_dir(CatalogueKind::large).string();
            const auto search_worker = make_search_worker();
            const auto index_worker = make_search_worker();
            TimedWork timed(*search_worker);
            search::Searcher searcher(timed, index_worker.get());
            searcher.build_index(app_path);

            platform::qt::QtTreeView tv1;
            {
                platform::sqlcipher::SqlcipherConnection connection;
                catalogue::open_catalogue(connection, app_path);
                platform::qt::QtTimer timer1(
                    platform::qt::timer1_interval_ms, true, [] {});
                tree::fill_category_roots(connection, tv1, timer1);
            }
            FrameWindow window(tv1.widget());
            std::string text;
            QObject::connect(
                &window.button(), &QPushButton::clicked, [&] { searcher.start_search(tv1, app_path, text); });
            window.show();
            window.wait_for_frame([] { return true; }, true);
            wait_for([&] { return searcher.index_ready(); });
            QTreeWidgetItem* root = search_root_item(*tv1.widget());

            // One click of text, to the frame after its rows were listed.
            const auto click = [&](const std::string& search_text) {
                text = search_text;
                timed.marks = WorkMarks{};
                const int frames_before = window.frames();
                const Clock::time_point clicked = Clock::now();
                window.button().click();
                const Clock::time_point frame = window.wait_for_frame([&] { return timed.marks.done; });
                return std::tuple{clicked, frame, window.frames() - frames_before};
            };
            Stages stages;
            for (auto _ : state) {
                click(search_texts[common_word]);
                choose_first_row(*tv1.widget(), root);
                const auto [clicked, frame, frames] = click(search_texts[word]);
                stages.add("frames", frames);
                const WorkMarks& m = timed.marks;
                state.SetIterationTime(ms_between(clicked, frame) / 1e3);
                stages.add("total_ms", ms_between(clicked, frame));
                stages.add("clear_ms", ms_between(clicked, m.run));
                stages.add("queue_ms", ms_between(m.run, m.work_start));
                stages.add("search_ms", ms_between(m.work_start, m.work_end));
                stages.add("hand_over_ms", ms_between(m.work_end, m.done_start));
                stages.add("list_ms", ms_between(m.done_start, m.done_end));
                stages.add("paint_ms", ms_between(m.done_end, frame));
            }
            searcher.stop();
            stages.report(state);
            state.SetLabel(result_label(root));
        });
}

// A click that replaces the search root's fifty rows of a plain QTreeWidget
// with fifty others, built and joined in one insertion, to the frame that
// paints them.
void search_screen_baseline(benchmark::State& state) {
    guarded(
        state,
        [&] {
            auto* tree = new QTreeWidget;
            tree->setColumnCount(1);
            tree->setHeaderHidden(true);
            tree->setUniformRowHeights(true);
            auto* root = new QTreeWidgetItem(QStringList{qstr(tree::search_root_text)});
            tree->addTopLevelItem(root);
            // The category roots, each with a page of rows, as the
            // system's tree holds them.
            const QString intro = qstr(tree::intro_text);
            for (int c = 1; c <= large_categories; ++c) {
                auto* category = new QTreeWidgetItem(QStringList{QStringLiteral("类别%1(5000)").arg(c)});
                QList<QTreeWidgetItem*> page;
                for (int n = 1; n <= tree::page_size; ++n)
                    page.append(programme_item(QStringLiteral("%1.节目%2").arg(n).arg(c), intro));
                category->addChildren(page);
                tree->addTopLevelItem(category);
            }
            FrameWindow window(tree);
            bool listed = false;
            int generation = 0;
            QObject::connect(
                &window.button(), &QPushButton::clicked,
                [&] {
                    delete_children(root);
                    QList<QTreeWidgetItem*> children;
                    for (int n = 1; n <= 50; ++n)
                        children.append(
                            programme_item(QStringLiteral("%1.城市故事 第%2部").arg(n).arg(generation), intro));
                    root->addChildren(children);
                    root->setText(0, QStringLiteral("搜索结果(%1)").arg(children.size()));
                    root->setExpanded(true);
                    listed = true;
                });
            window.show();
            window.wait_for_frame([] { return true; }, true);

            const auto click = [&] {
                ++generation;
                listed = false;
                const int frames_before = window.frames();
                const Clock::time_point clicked = Clock::now();
                window.button().click();
                const Clock::time_point listed_at = Clock::now();
                const Clock::time_point frame = window.wait_for_frame([&] { return listed; });
                return std::tuple{clicked, listed_at, frame, window.frames() - frames_before};
            };
            Stages stages;
            for (auto _ : state) {
                click();
                choose_first_row(*tree, root);
                const auto [clicked, listed_at, frame, frames] = click();
                stages.add("frames", frames);
                state.SetIterationTime(ms_between(clicked, frame) / 1e3);
                stages.add("total_ms", ms_between(clicked, frame));
                stages.add("list_ms", ms_between(clicked, listed_at));
                stages.add("paint_ms", ms_between(listed_at, frame));
            }
            stages.report(state);
            state.SetLabel(result_label(root));
        });
}

// The five kinds of text the issue of speed was measured with.
struct ScreenCase {
    const char* name;
    std::size_t word;
};
constexpr ScreenCase screen_cases[] = {
    {"nowhere", 1}, {"rare_word", 3}, {"percent_inside", 5}, {"one_character", 4}, {"common", 0}};

std::string screen_mode() {
    const char* mode = std::getenv("QINGHE_BENCH_SCREEN");
    return mode != nullptr && *mode != '\0' ? mode : "offscreen";
}

[[maybe_unused]] const bool screen_registered = [] {
    const std::string prefix = "search_screen/" + screen_mode() + "/";
    for (const ScreenCase& c : screen_cases)
        benchmark::RegisterBenchmark((prefix + c.name).c_str(), search_screen_system, c.word)
            ->Iterations(5)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((prefix + "baseline").c_str(), search_screen_baseline)
        ->Iterations(5)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace
}  // namespace qinghe::bench
