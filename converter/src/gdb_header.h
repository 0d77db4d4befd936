#pragma once

#include "run_context.h"

namespace korvix {

// Tests the GDB file header ("MsRcf", 14 bytes, three strings, "MapSource") and copies it to the
// output byte for byte. False when either signature string is missing or the input ends inside
// the header; the output then keeps what had been copied before the failed test.
bool check_and_copy_header(RunContext& run);

} // namespace korvix
