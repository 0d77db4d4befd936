// The standard streams of the korvix process, made safe to run with.
#pragma once

#include <cstdio>
#include <string>

namespace korvix {

// Makes sure that descriptors 0 to 2 are open before any file is, so that a file opened by the
// run never takes the place of standard output and receives the trace; and keeps a reader of
// the trace that goes away from ending the run (the trace is then lost, the output is not).
void prepare_standard_streams();

// True when the file at `path` is the file that `console` writes to, so that writing the GDB
// output there would mix the trace into it.
bool is_console_file(const std::string& path, std::FILE* console);

} // namespace korvix
