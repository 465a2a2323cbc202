#pragma once

namespace qinghe::platform {

class Timer {
public:
    virtual ~Timer() = default;
    virtual bool enabled() const = 0;
    virtual void set_enabled(bool enabled) = 0;
};

}  // namespace qinghe::platform
