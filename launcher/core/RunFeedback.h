#pragma once

#include "ConverterProcess.h"
#include "ReductionLines.h"
#include "TrackLines.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// What the converter said during a run, and what the user is told about it afterwards.
namespace runkorvix {

// True for one of the converter's trace lines, as korvix writes them (rules/trace_line.h): "W 71"
// or "R 279".
bool IsTraceLine(std::string_view line);

// The converter's messages, each distinct one once with how often it came. Memory stays
// bounded however long the run: a message is kept to its first kMaxLength bytes, and at most
// kMaxDistinct distinct ones are kept; any further ones are only counted.
class MessageLog {
public:
    static constexpr std::size_t kMaxDistinct = 30;
    static constexpr std::size_t kMaxLength = 300;

    struct Entry {
        std::string text;
        std::uint64_t count = 0;
        bool operator==(const Entry&) const = default;
    };

    void Add(std::string_view message);
    const std::vector<Entry>& Entries() const { return m_entries; }
    std::uint64_t Unlisted() const { return m_unlisted; } // messages beyond kMaxDistinct
    bool Empty() const { return m_entries.empty(); }

private:
    std::vector<Entry> m_entries; // in the order they first came
    std::uint64_t m_unlisted = 0;
};

// How many records of each type letter the converter's trace lines named: its input's records,
// one trace line each. The GDB format's types are capital letters; other letters are not kept.
class RecordCounts {
public:
    void Add(char type);
    std::uint64_t Of(char type) const;
    bool operator==(const RecordCounts&) const = default;

private:
    std::array<std::uint64_t, 26> m_counts{}; // 'A' to 'Z'
};

// Splits the converter's output, as it comes in pieces, into lines, counts the trace lines by
// their type letter, sums up the lines about reduced or cut routes and tracks, takes the line
// that ends a --fit run, and keeps every other line that is not blank in a MessageLog; of the
// messages about a track that was not converted it notes which track it was, the one whose trace
// line came last. Lines may end in "\n" or "\r\n".
class OutputReader {
public:
    void Take(std::string_view output);
    // The output has ended: a last line without its line end counts too.
    void Finish();
    const MessageLog& Messages() const { return m_messages; }
    const RecordCounts& Records() const { return m_records; }
    const Reductions& Reduced() const { return m_reductions; }
    const TrackFates& Fates() const { return m_fates; }
    const std::optional<FitLine>& Fit() const { return m_fit; }
    // The bytes of the records traced so far: how far korvix has read its input.
    std::uint64_t Traced() const { return m_traced; }

private:
    void TakeLine(std::string_view line);

    MessageLog m_messages;
    RecordCounts m_records;
    Reductions m_reductions;
    TrackFates m_fates;
    std::optional<FitLine> m_fit;
    std::uint64_t m_traced = 0;
    std::string m_partial; // the line begun by the last piece, at most kMaxLength + 2 bytes
};

// How a run ended and what the converter said.
struct RunResult {
    ExitStatus status;
    MessageLog messages;
    RecordCounts records;  // of the input, from the trace
    Reductions reductions; // of the routes and tracks made
    bool stopped = false;  // the launcher ended the converter before its end (ConverterRun::Stop)
    TrackFates fates{};    // the tracks not converted
    std::optional<FitLine> fit{};
};

enum class FeedbackIcon { None, Information, Error };

// The output file as the launcher sees it before and after a run: whether it is there, and then
// its size and when it was last written.
struct OutputFileState {
    bool exists = false;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type written{};
    bool operator==(const OutputFileState&) const = default;
};
OutputFileState OutputFileStateOf(const std::filesystem::path& path);

// What a run that failed did to the output file. korvix puts its output in place only when the
// run succeeds, so a failed run leaves the file as it was, or makes none; a file that changed all
// the same (korvix writes a file in place when its folder takes no new file) is incomplete.
enum class OutputAfterFailure { LeftAsItWas, NoneMade, Incomplete };
OutputAfterFailure OutputAfter(const OutputFileState& before, const OutputFileState& after);

// The message box after a run: the error icon when the converter failed, listing its messages
// and saying what became of the output file. After a run that succeeded, the information icon
// with `summary` (what the run did; RunSummary) and then the messages, or without a summary the
// messages alone; none (FeedbackIcon::None) when there is neither. A run that was stopped and
// left the output as it was says so alone, with the information icon (kStoppedText).
//
// Whatever korvix printed, the box keeps its own last line in sight: it lists at most
// kShownMessages messages and kShownTotal bytes of them, each as ShownLine gives it; the
// others are counted.
//
// `hadOutput` tells whether an output file was there before the run: a stopped run leaves the
// previous one unchanged, or makes none (kStoppedNoOutputText).
struct Feedback {
    FeedbackIcon icon = FeedbackIcon::None;
    std::string text;
    std::string folder{}; // the output's, after a run that made it: the box offers to open it
};
Feedback RunFeedback(const RunResult& result, OutputAfterFailure output,
                     const std::string& summary = {}, bool hadOutput = true);
inline constexpr std::size_t kShownMessages = 20;
inline constexpr std::size_t kShownTotal = 1000;

// What the box shows of one of korvix's lines. Control characters show as blanks (a CR or a NUL
// would be a line break or the end of the text to the toolkits), the line is cut after
// kShownCharacters characters ("..." marks the cut), and a word of more than kShownWord
// characters is broken by line breaks: the toolkits break a word wider than the box anywhere,
// but size the box as if they had not, and lose its last lines.
inline constexpr std::size_t kShownCharacters = 100;
inline constexpr std::size_t kShownWord = 50;
std::string ShownLine(std::string_view line);

} // namespace runkorvix
