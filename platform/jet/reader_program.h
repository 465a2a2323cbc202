#pragma once

// Finding and starting the Jet reader program (reader_frames.h).

#include <span>
#include <string>
#include <string_view>

#include <sys/types.h>

namespace qinghe::jet {

// The reader is looked for first in this directory: programs that do not
// live beside it (the tests and benchmarks of a build tree) name where it is.
// Gives the directory set before.
std::string set_reader_directory(std::string directory);

// The reader's path: in the directory set, else beside this executable (the
// build tree, and the installed program in lib/qinghe-tv/), else in
// lib/qinghe-tv/ beside the bin/ that holds this executable (the installed
// qinghe-catalogue). Throws PlatformError naming where it looked.
std::string reader_path();

// Starts the reader on the file open at file_fd, writing to pipe_fd, with
// nothing else of this process: no other descriptor, an empty environment,
// default signal handling; its standard streams are /dev/null. Uses
// posix_spawn, which is safe in a process of many threads as fork is not.
// Its pid; throws PlatformError when it cannot be started.
pid_t start_reader(int file_fd, int pipe_fd, std::span<const std::string_view> tables);

}  // namespace qinghe::jet
