#pragma once

#include <string>

namespace qinghe::platform {

// The control array Label3 inside the strip Frame1. Label 0 always exists;
// label i is created as a copy of label 0 (font, self-sizing, pointer, top,
// height) and starts hidden. Positions are twips from the strip's left
// edge. Calls on an index that does not exist fail.
class TickerLabels {
public:
    virtual ~TickerLabels() = default;
    virtual int count() const = 0;
    virtual void load(int index) = 0;
    virtual void unload(int index) = 0;
    virtual std::string caption(int index) const = 0;
    // The label sizes itself to its caption.
    virtual void set_caption(int index, const std::string& caption) = 0;
    virtual float left(int index) const = 0;
    virtual void set_left(int index, float twips) = 0;
    virtual float width(int index) const = 0;
    virtual bool visible(int index) const = 0;
    virtual void set_visible(int index, bool visible) = 0;
    // Width of the strip Frame1.
    virtual float strip_width() const = 0;
};

}  // namespace qinghe::platform
