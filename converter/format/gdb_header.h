#pragma once

#include "byte_stream.h"
#include "record_layouts.h"
#include "scratch_text.h"

#include <cstdint>
#include <optional>
#include <span>

namespace korvix {

// The file header: "MsRcf", the version bytes, three strings, then the application name.
inline constexpr ByteCount version_bytes_width = rules::version_bytes_width;

// Tests the GDB file header ("MsRcf", 14 bytes, three strings, then the application name
// "MapSource" or "BaseCamp") and copies it to the output byte for byte, reading its strings into
// the scratch text. Gives the GDB version that the header tells, or nothing when either signature
// string is missing, the version record is damaged or the input ends inside the header; the output
// then keeps what had been copied before the failed test.
std::optional<GdbVersion> check_and_copy_header(InputStream& in, OutputStream& out,
                                                ScratchText& scratch);

} // namespace korvix
