#pragma once

#include "run_context.h"

namespace korvix {

// Reads one record, prints its trace line, and passes it through or hands it to the conversion
// that the run's mode selects for its type. Returns the record's type letter.
char dispatch_record(RunContext& run);

// Dispatches records until the closing 'V' record has been handled or the run has failed.
void run_record_loop(RunContext& run);

} // namespace korvix
