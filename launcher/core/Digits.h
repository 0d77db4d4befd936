// Digits as korvix writes them in its lines and the dialog stores them: ASCII, whatever the locale.
#pragma once

#include <algorithm>
#include <string_view>

namespace runkorvix {

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether `text` is one digit or more and nothing else.
inline bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

} // namespace runkorvix
