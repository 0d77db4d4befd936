// Which file format an input is, told by its first bytes: a GPX file begins, after an optional
// UTF-8 byte order mark and white space, with its XML declaration or its gpx element; every other
// file is read as a GDB file, as korvix always read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvix {

enum class InputFormat { gdb, gpx };

// The bytes that tell the format: a byte order mark, white space and "<?xml" or "<gpx" within
// them. A file of more leading white space than that is no GPX file to korvix.
inline constexpr std::size_t format_probe_bytes = 64;

// The format of a file that begins with `first` (up to format_probe_bytes of it, fewer when the
// file is shorter).
InputFormat format_of(std::span<const std::uint8_t> first);

} // namespace korvix
