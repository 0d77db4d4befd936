#pragma once

#include "run_context.h"

namespace korvix {

// Dispatches records until the closing 'V' record has been handled or the run has failed: reads
// one record at a time, prints its trace line, and passes it through or hands it to the
// conversion that the mode selects for its type.
void run_record_loop(RunContext& run);

// Called, when set, once -V or -W has read the input ahead at the first track and before the
// stream reads that track: a test changes the input there, as another program might.
extern void (*after_read_ahead_hook)();

} // namespace korvix
