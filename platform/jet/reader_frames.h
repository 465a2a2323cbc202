#pragma once

// How the Jet reader program (qinghe-jet-reader) is started and what it
// sends. It finds the file open for reading at reader_file_fd and the write
// end of a pipe at reader_pipe_fd; its arguments are the tables to read.
// Through the pipe go frames: a tag byte, then the tag's fields. Numbers are
// little-endian; texts a 32-bit length and their bytes.
//   table_tag: name, column count (u32), column names
//   row_tag:   a cell per column: a CellTag and its value
//   error_tag: the reason the read failed; done_tag: every table was sent

namespace qinghe::jet {

inline constexpr const char* reader_program = "qinghe-jet-reader";
inline constexpr int reader_file_fd = 3;
inline constexpr int reader_pipe_fd = 4;

enum FrameTag : unsigned char { table_tag = 'T', row_tag = 'R', error_tag = 'E', done_tag = 'D' };
enum CellTag : unsigned char { null_cell, integer_cell, real_cell, text_cell };

}  // namespace qinghe::jet
