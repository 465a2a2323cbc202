#pragma once

#include <string>

namespace qinghe::platform {

// The window's events, raised by the window adapter on the user-interface
// thread one at a time. Tree events carry the node's key.
class FormEvents {
public:
    virtual ~FormEvents() = default;
    virtual void Form_Resize() = 0;
    virtual void Form_Unload() = 0;
    virtual void Timer1_Timer() = 0;
    virtual void Timer2_Timer() = 0;
    virtual void Tv1_Expand(const std::string& key) = 0;
    virtual void Tv1_NodeClick(const std::string& key) = 0;
    virtual void Command1_Click() = 0;
    virtual void Label3_Click(int index) = 0;
};

}  // namespace qinghe::platform
