#include "RunFeedback.h"

#include "LauncherOptions.h"
#include "digits.h"
#include "gdb_rules.h"
#include "trace_line.h"

#include <algorithm>

namespace runkorvix {

namespace {

// The messages as the box lists them, one a line with "(N times)" for one that repeats, within
// the box's bounds; those left out are counted on a last line.
std::string ListedMessages(const MessageLog& messages) {
    std::string text;
    std::uint64_t unlisted = messages.Unlisted();
    std::size_t listed = 0;
    std::size_t shown = 0; // bytes
    for (const MessageLog::Entry& entry : messages.Entries()) {
        std::string line = ShownLine(entry.text);
        if (entry.count > 1) {
            line += " (" + std::to_string(entry.count) + " times)";
        }
        // The messages stay in the order they came: once one is left out, so are the rest.
        if (unlisted > messages.Unlisted() || listed == kShownMessages ||
            shown + line.size() > kShownTotal) {
            unlisted += entry.count;
            continue;
        }
        ++listed;
        shown += line.size();
        text += line + '\n';
    }
    if (unlisted > 0) {
        text += "... and " + std::to_string(unlisted) + " more messages\n";
    }
    return text;
}

} // namespace

std::string ShownLine(std::string_view line) {
    std::string shown;
    std::size_t characters = 0;
    std::size_t word = 0; // characters since the last blank or break
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        const bool starts = (byte & 0xC0) != 0x80; // not a UTF-8 continuation byte
        if (starts && characters++ == kShownCharacters) {
            return shown + "...";
        }
        if (byte < 0x20 || byte == 0x7F || byte == ' ') {
            shown += ' ';
            word = 0;
            continue;
        }
        if (starts && word++ == kShownWord) {
            shown += '\n';
            word = 1;
        }
        shown += c;
    }
    return shown;
}

bool IsTraceLine(std::string_view line) {
    return korvix::rules::read_trace_line(line).has_value();
}

void RecordCounts::Add(char type) {
    if (type >= 'A' && type <= 'Z') {
        ++m_counts[static_cast<std::size_t>(type - 'A')];
    }
}

std::uint64_t RecordCounts::Of(char type) const {
    return type >= 'A' && type <= 'Z' ? m_counts[static_cast<std::size_t>(type - 'A')] : 0;
}

void MessageLog::Add(std::string_view message) {
    message = message.substr(0, kMaxLength);
    const auto found =
        std::find_if(m_entries.begin(), m_entries.end(),
                     [message](const Entry& entry) { return entry.text == message; });
    if (found != m_entries.end()) {
        ++found->count;
    } else if (m_entries.size() < kMaxDistinct) {
        m_entries.push_back({std::string(message), 1});
    } else {
        ++m_unlisted;
    }
}

void OutputReader::Take(std::string_view output) {
    while (!output.empty()) {
        const std::size_t end = output.find('\n');
        const std::string_view piece = output.substr(0, end);
        if (end == std::string_view::npos) {
            // Keep enough of an unfinished line to know it later; the rest of a long one is cut.
            m_partial.append(piece.substr(0, MessageLog::kMaxLength + 2 - m_partial.size()));
            return;
        }
        if (m_partial.empty()) {
            TakeLine(piece);
        } else {
            m_partial.append(piece.substr(0, MessageLog::kMaxLength + 2 - m_partial.size()));
            TakeLine(m_partial);
            m_partial.clear();
        }
        output.remove_prefix(end + 1);
    }
}

void OutputReader::Finish() {
    if (!m_partial.empty()) {
        TakeLine(m_partial);
        m_partial.clear();
    }
}

void OutputReader::TakeLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (const std::optional<korvix::rules::TraceLine> trace =
            korvix::rules::read_trace_line(line)) {
        m_records.Add(trace->type);
        m_traced += korvix::rules::record_header_width + std::uint64_t{trace->length};
    } else if (const std::optional<Reduction> reduction = ParseReductionLine(line)) {
        m_reductions.Add(*reduction);
    } else if (const std::optional<FitLine> fit = ParseFitLine(line)) {
        m_fit = fit;
    } else if (line.find_first_not_of(" \t") != std::string_view::npos) {
        m_messages.Add(line);
        const std::uint64_t tracks = m_records.Of(korvix::rules::track_record);
        if (tracks > 0) {
            m_fates.Note(FateOf(line), tracks - 1);
        }
    }
}

OutputFileState OutputFileStateOf(const std::filesystem::path& path) {
    std::error_code error;
    OutputFileState state;
    state.size = std::filesystem::file_size(path, error);
    state.exists = !error;
    if (state.exists) {
        state.written = std::filesystem::last_write_time(path, error);
    } else {
        state.size = 0;
        state.exists = std::filesystem::exists(path, error); // a folder, a device: no size
    }
    return state;
}

OutputAfterFailure OutputAfter(const OutputFileState& before, const OutputFileState& after) {
    if (!after.exists) {
        return OutputAfterFailure::NoneMade;
    }
    return after == before ? OutputAfterFailure::LeftAsItWas : OutputAfterFailure::Incomplete;
}

Feedback RunFeedback(const RunResult& result, OutputAfterFailure output, const std::string& summary,
                     bool hadOutput) {
    // Stopped with the output as it was: korvix put no new one in place, whatever its status
    // (under Wine a korvix ended by Ctrl+C exits with 0).
    if (result.stopped && output != OutputAfterFailure::Incomplete) {
        return {FeedbackIcon::Information, hadOutput ? kStoppedText : kStoppedNoOutputText};
    }
    const bool failed = !result.status.Succeeded();
    const MessageLog& messages = result.messages;
    if (!failed && messages.Empty()) {
        return summary.empty() ? Feedback{} : Feedback{FeedbackIcon::Information, summary};
    }
    std::string text = failed ? "korvix did not complete the conversion:\n\n"
                       : summary.empty()
                           ? "korvix completed the conversion with these messages:\n\n"
                           : summary + "\n\nkorvix said:\n\n";
    text += ListedMessages(messages);
    // A converter that was killed, or that failed without a word, is described by its status.
    if (result.status.signalled) {
        text += "korvix was ended by signal " + std::to_string(result.status.code) + ".\n";
    } else if (failed && messages.Empty()) {
        text += "korvix ended with exit status " + std::to_string(result.status.code) + ".\n";
    }
    if (failed) {
        text += output == OutputAfterFailure::LeftAsItWas
                    ? "\nThe output file was left as it was.\n"
                : output == OutputAfterFailure::NoneMade ? "\nNo output file was made.\n"
                                                         : "\nThe output file is incomplete.\n";
    }
    text.pop_back(); // the box needs no line break at its end
    return {failed ? FeedbackIcon::Error : FeedbackIcon::Information, text};
}

} // namespace runkorvix
