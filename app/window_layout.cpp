#include "app/window_layout.h"

namespace qinghe::app {

namespace {

constexpr float column_offset = 3600.0F;  // right-hand column's left edge from the right

}  // namespace

WindowLayout layout_for(float w, float h) {
    WindowLayout l{};
    l.text1 = {w - column_offset, 50.0F, 2650.0F, 375.0F};
    l.tv1 = {w - column_offset, 470.0F, 3450.0F, h - 1410.0F};
    l.command1 = {w - 900.0F, 50.0F, 735.0F, 375.0F};
    l.web1 = {50.0F, 50.0F, w - 3680.0F, h - 600.0F};
    l.frame1_top = h - 830.0F;
    return l;
}

}  // namespace qinghe::app
