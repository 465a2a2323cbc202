#pragma once

#include <string>
#include <string_view>

namespace qinghe::platform {

// The window's title at start-up, and the start of every caption after.
inline constexpr std::string_view application_title = "青禾网络电视";

enum class WindowState { normal, minimised, maximised };

// A control placed on the window, sized in twips of the window's client
// area (1440 per inch).
class Control {
public:
    virtual ~Control() = default;
    virtual float left() const = 0;
    virtual float top() const = 0;
    virtual float width() const = 0;
    virtual float height() const = 0;
    virtual void set_left(float twips) = 0;
    virtual void set_top(float twips) = 0;
    virtual void set_width(float twips) = 0;
    virtual void set_height(float twips) = 0;
};

// The top-level window Form1 with the controls that the layout places.
class Window {
public:
    virtual ~Window() = default;
    virtual WindowState state() const = 0;
    // Outer size in twips, frame and title bar included.
    virtual int height() const = 0;
    virtual int width() const = 0;
    // A write that changes the size raises the resize event before it
    // returns; one that changes nothing raises nothing.
    virtual void set_height(int twips) = 0;
    virtual void set_width(int twips) = 0;
    virtual std::string caption() const = 0;
    virtual void set_caption(const std::string& caption) = 0;

    virtual Control& text1() = 0;
    virtual Control& command1() = 0;
    virtual Control& tv1() = 0;
    virtual Control& web1() = 0;
    virtual Control& frame1() = 0;

    // The search box's text, exactly as typed.
    virtual std::string search_text() const = 0;
};

}  // namespace qinghe::platform
