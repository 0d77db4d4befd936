#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace runkorvix {

// `path` (UTF-8) as a path field shows it where `fits` says whether a text fits the field: the
// whole path when it fits, otherwise its folder part cut short from its end and an ellipsis, so
// that the file name stays whole ("/home/ann/ma…/ride.gdb", "C:\Users\…\ride.gdb"). A file name
// that does not fit even so loses its middle instead: "…/ride-20…part-2.gdb".
std::string CompactPath(const std::string& path, const std::function<bool(std::string_view)>& fits);

// `path` as the path field of a dialog shows it: CompactPath with the fit rule of both dialogs. A
// text fits when its width (`width` measures it, in pixels) and one pixel for the caret lie
// within `room`, the width of the field's text rectangle: the field less its frame and margins.
std::string ShownPath(const std::string& path, int room,
                      const std::function<int(std::string_view)>& width);

} // namespace runkorvix
