// What korvix says when a run stops: the texts that it prints and that runkorvix reads back, each
// written here once.
#pragma once

#include "byte_stream.h"

namespace korvix {

inline constexpr char cannot_open_input_text[] = "Can't open input file\n";
inline constexpr char cannot_open_output_text[] = "Can't open output file\n";
inline constexpr char not_gdb_text[] = "Input file not in GDB format\n";
// Said when the system cannot give korvix the memory it needs; no file has been touched then.
inline constexpr char not_enough_memory_text[] = "Not enough memory\n";

// The message of a run's failure, with its line end; empty for none.
const char* failure_message(Failure failure);

} // namespace korvix
