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
// and its button, the tree, and the ad strip (whose height never changes).
struct WindowLayout {
    Placement text1;
    Placement command1;
    Placement tv1;
    Placement web1;
    Placement frame1;
};

WindowLayout layout_for(float outer_width, float outer_height);

}  // namespace qinghe::app
