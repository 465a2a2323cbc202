#include "playback/node_activation.h"

#include "catalogue/queries.h"
#include "platform/base/int16.h"
#include "platform/base/skip_on_error.h"
#include "platform/base/text.h"
#include "platform/schema/play_list.h"
#include "playback/player_table.h"
#include "tree/category_paging.h"
#include "tree/node_keys.h"

#include <memory>
#include <vector>

namespace qinghe::playback {

using platform::element;
using platform::Int16;
using platform::try_step;
namespace keys = tree::keys;

namespace {

// Clears the category named in a page node's key and lists the page the key
// leads to.
void turn_page(const ClickTargets& t, const std::string& key) {
    std::vector<std::string> fields;
    try_step([&] { fields = keys::fields(key); });
    try_step([&] { tree::delete_child(t.tv1, keys::category(element(fields, 3))); });
    try_step([&] {
        const Int16 pg = platform::parse_int16(element(fields, 2));
        const Int16 lb_id = platform::parse_int16(element(fields, 3));
        tree::set_child(t.connection, t.tv1, lb_id, pg);
    });
}

void show_introduction(const ClickTargets& t) {
    try_step([&] { t.web1.document_open(); });
    try_step([&] { t.web1.document_write(std::string(intro_page_text)); });
    try_step([&] { t.web1.document_close(); });
}

// What a play leaf names, read from its key and its programme's row.
struct Video {
    std::string programme_title;
    std::string group_label;
    std::string identifier;
    std::string leaf_title;
};

// Reads the leaf's programme, group and pair. Fails (changing nothing) when
// the key is malformed, the programme is gone, its play list is Null or no
// longer has that group or pair.
Video find_video(const ClickTargets& t, const std::string& key) {
    const std::vector<std::string> fields = keys::fields(key);
    const Int16 group = platform::parse_int16(element(fields, 1));
    const Int16 leaf = platform::parse_int16(element(fields, 2));
    const std::string& id = element(fields, 3);
    if (group < 1 || leaf < 1) throw platform::PlatformError("no such play leaf: " + key);

    std::unique_ptr<platform::Recordset> row = catalogue::open_play_query(t.connection, id);
    const catalogue::ReleaseOnExit release{row};
    Video video;
    video.programme_title = row->field("tit").text();
    const std::vector<std::string> groups = catalogue::play_list::groups(row->field("adds").require_text());
    const std::vector<std::string> group_fields = catalogue::play_list::group_fields(element(groups, group));
    video.group_label = element(group_fields, 0);
    video.leaf_title = element(group_fields, platform::mul16(2, leaf));
    video.identifier = element(group_fields, platform::mul16(2, leaf) - 1);
    return video;
}

void play(const ClickTargets& t, const std::string& key) {
    Video video;
    if (!try_step([&] { video = find_video(t, key); })) return;
    try_step([&] {
        t.window.set_caption(std::string(application_title) + std::string(playing_text) + video.programme_title + "——" +
                             video.leaf_title);
    });

    const Player* player = choose_player(video.group_label);
    if (player == nullptr) return;
    try_step([&] { t.web1.navigate(t.process.app_path() + std::string(player->page) + video.identifier); });
    // Both fixed values are in place before the first size write can raise
    // the resize event, so that event already holds the new size.
    t.fixed_size.height = player->height;
    t.fixed_size.width = player->width;
    try_step([&] { t.window.set_height(t.fixed_size.height); });
    try_step([&] { t.window.set_width(t.fixed_size.width); });
}

}  // namespace

void node_click(ClickTargets targets, const std::string& key) {
    if (keys::is_next_page(key) || keys::is_previous_page(key))
        turn_page(targets, key);
    else if (keys::is_intro(key) || keys::is_search_intro(key))
        show_introduction(targets);
    else if (keys::is_play_leaf(key) || keys::is_search_play_leaf(key))
        play(targets, key);
}

}  // namespace qinghe::playback
