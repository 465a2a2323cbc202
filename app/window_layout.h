#pragma once

namespace qinghe::app {

// Where a control stands, in twips of the window's client area.
struct Placement {
    float left;
    float top;
    float width;
    float height;
};

// The controls' places for a window of outer width W and height H (twips):
// the browser on the left, and a right-hand column holding the search box
// and its button, the tree, and the ad strip. Only the strip's top comes from
// the size: its left and width follow the browser and the tree as they
// actually stand (form_resize reads them back), and its height never changes.
struct WindowLayout {
    Placement text1;
    Placement command1;
    Placement tv1;
    Placement web1;
    float frame1_top;
};

WindowLayout layout_for(float outer_width, float outer_height);

}  // namespace qinghe::app
