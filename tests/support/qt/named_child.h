#pragma once

#include <QObject>
#include <QString>

#include <stdexcept>
#include <string>

namespace qinghe::test {

// The child object of that name and type (a control such as Text1, a timer
// such as Timer2); fails the test when there is none.
template <typename T>
T& named_child(const QObject& parent, const char* name) {
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) throw std::runtime_error(std::string("no child named ") + name);
    return *found;
}

}  // namespace qinghe::test
