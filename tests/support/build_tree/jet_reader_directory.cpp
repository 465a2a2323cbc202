// Compiled into the test, benchmark and fuzz programs of a build tree, which
// live in folders of their own: they find the Jet reader where the build
// puts it.
#include "platform/jet/reader_program.h"

namespace {

[[maybe_unused]] const bool reader_directory_set = [] {
    qinghe::jet::set_reader_directory(QINGHE_JET_READER_DIR);
    return true;
}();

}  // namespace
