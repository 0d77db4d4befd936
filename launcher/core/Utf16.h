#pragma once
// UTF-8 text, as the launcher's core keeps it, and the UTF-16 text of the Windows calls, both
// ways. Windows only: Utf16Win32.cpp implements them.

#include <string>
#include <string_view>

namespace runkorvix {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

} // namespace runkorvix
