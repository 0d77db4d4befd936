#include "long_options.h"

#include "option_values.h"

#include <algorithm>

namespace korvix::rules {

const LongOption* long_option(std::string_view name) {
    const auto found = std::ranges::find(long_options, name, &LongOption::name);
    return found != std::end(long_options) ? &*found : nullptr;
}

bool letter_takes(char letter, OptionLetters letters) {
    switch (letters) {
    case OptionLetters::any:
        return true;
    case OptionLetters::making_routes_or_tracks:
        return !letter_rewrites_vias(letter);
    case OptionLetters::making_routes:
        return letter == 'V' || letter == 'v' || letter == 'W' || letter == 'w';
    }
    return false;
}

std::string_view letters_text(OptionLetters letters) {
    switch (letters) {
    case OptionLetters::making_routes_or_tracks:
        return " works only with -T, -U, -V and -W";
    case OptionLetters::making_routes:
        return " works only with -V and -W";
    case OptionLetters::any:
        break;
    }
    return "";
}

std::string range_text(const LongOption& option) {
    std::string range = std::to_string(option.least);
    range.append(" to ").append(std::to_string(option.most));
    return range;
}

namespace {

// The text with "{range}" replaced by the option's range.
std::string with_range(std::string_view text, const LongOption& option) {
    std::string written(text);
    constexpr std::string_view mark = "{range}";
    if (const std::size_t at = written.find(mark); at != std::string::npos)
        written.replace(at, mark.size(), range_text(option));
    return written;
}

} // namespace

std::string complaint_text(const LongOption& option) {
    return with_range(option.complaint, option);
}

std::string long_options_help() {
    std::string help;
    for (const LongOption& option : long_options) {
        std::string head = "  ";
        head.append(option.name);
        if (!option.value.empty())
            head.append("=").append(option.value);
        head.append(" = ");
        const std::string described = with_range(option.help, option);
        std::string_view lines = described;
        for (bool first = true; !lines.empty(); first = false) {
            const std::size_t end = std::min(lines.find('\n'), lines.size());
            help += first ? head : std::string(head.size(), ' ');
            help += lines.substr(0, end);
            help += '\n';
            lines.remove_prefix(std::min(end + 1, lines.size()));
        }
    }
    return help;
}

} // namespace korvix::rules
