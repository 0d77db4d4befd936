#pragma once

#include "run_context.h"

namespace korvix {

// Dispatches records until the closing 'V' record has been handled or the run has failed: reads
// one record at a time, prints its trace line, and passes it through or hands it to the
// conversion that the mode selects for its type.
void run_record_loop(RunContext& run);

} // namespace korvix
