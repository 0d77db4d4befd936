// A run on a GPX file: the file read through expat in the run's input blocks, the conversion of
// the option letter on its elements, and what the run says at its end.
#pragma once

#include "input_bytes.h"
#include "input_format.h"
#include "run_context.h"

#include <string>

namespace korvix {

// Converts a GPX input, whose first bytes the stream holds, into the output as the settings say;
// returns the exit status, having said why a run failed (refusal_message, say_run_failure). The
// line that ends a --fit run goes to `success`, as on a GDB file.
int convert_gpx(RunContext& run, GpxMemory& memory, Console& success);

// The format of the input file of this name, told by its first bytes before the run opens it, so
// that the output's name can follow it; a file that is no regular file (a pipe, a device) is not
// read here, as its bytes would be gone: it is taken for a GDB file until the run reads it.
InputFormat format_of_named_file(const std::string& name);

// Said when a GPX file is to be written under a GDB file's name.
inline constexpr char gpx_needs_gpx_name_text[] =
    "korvix writes a GPX file from a GPX file: name the output .gpx\n";

} // namespace korvix
