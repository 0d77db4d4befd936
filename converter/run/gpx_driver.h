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

} // namespace korvix
