// The launcher core's rules for what the converter printed: trace lines, messages counted once
// each, and the message box after a run.
#include "RunFeedback.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace runkorvix;

namespace {

using Entries = std::vector<MessageLog::Entry>;

const std::string kLimit = "Route point limit reached - track truncated!";
const std::string kNoPoints = "Track has no points - track skipped";

TEST(TraceLine, OneLetterABlankAndASignedNumber) {
    const struct {
        const char* line;
        bool trace;
    } cases[] = {
        {"W 71", true},
        {"R 279", true},
        {"v 2", true},
        {"T -5", true},
        {"T +5", true},
        {"L 0", true},
        {"", false},
        {"W", false},
        {"W ", false},
        {"W -", false},
        {"W 7a", false},
        {"W 71 ", false},
        {"W  71", false},
        {" W 71", false},
        {"WW 71", false},
        {"7 71", false},
        {"W\t71", false},
        {"W 7-1", false},
        {"Can't open input file", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsTraceLine(c.line), c.trace) << '"' << c.line << '"';
    }
}

TEST(OutputReader, KeepsEachDistinctMessageOnceWithItsCount) {
    const std::string usage = "Usage = korvix [-R|-S|-T|-U|-V|-W] infile[.gdb] outfile[.gdb]";
    const std::string optionR = "  -R = Convert routes to route with user vias";
    const struct {
        const char* name;
        std::vector<std::string> pieces; // as the output comes
        Entries messages;
    } cases[] = {
        {"trace only", {"D 20\nW 71\nR 279\nV 2\n"}, {}},
        {"messages among the trace, lines cut between pieces, CR LF",
         {"T 12\nRoute point li", "mit reached - track truncated!\r\n" + kLimit + "\n",
          kNoPoints + "\nV 2\n" + kLimit + "\n"},
         {{kLimit, 3}, {kNoPoints, 1}}},
        {"a last line without its line end",
         {"D 20\nInput file not in GDB format"},
         {{"Input file not in GDB format", 1}}},
        {"blank lines", {"\n  \n\r\n\t\n"}, {}},
        {"usage text, its blanks kept",
         {usage + "\n" + optionR + "\n"},
         {{usage, 1}, {optionR, 1}}},
        {"a long line is cut, and counted by what is kept",
         {std::string(1000, 'x') + "\n" + std::string(400, 'x'), std::string(600, 'x') + "\n"},
         {{std::string(MessageLog::kMaxLength, 'x'), 2}}},
    };
    for (const auto& c : cases) {
        OutputReader reader;
        for (const std::string& piece : c.pieces) {
            reader.Take(piece);
        }
        reader.Finish();
        EXPECT_EQ(reader.Messages().Entries(), c.messages) << c.name;
        EXPECT_EQ(reader.Messages().Unlisted(), 0u) << c.name;
    }
}

TEST(OutputReader, KeepsABoundedNumberOfDistinctMessages) {
    OutputReader reader;
    const std::size_t distinct = MessageLog::kMaxDistinct + 5;
    for (int round = 0; round < 2; ++round) {
        for (std::size_t n = 0; n < distinct; ++n) {
            reader.Take("message " + std::to_string(n) + "\n");
        }
    }
    const MessageLog& log = reader.Messages();
    ASSERT_EQ(log.Entries().size(), MessageLog::kMaxDistinct);
    EXPECT_EQ(log.Entries().front(), (MessageLog::Entry{"message 0", 2}));
    EXPECT_EQ(log.Entries().back().text, "message " + std::to_string(distinct - 6));
    EXPECT_EQ(log.Unlisted(), 10u);
    const std::string text = RunFeedback({{false, 0}, log}, false).text;
    EXPECT_NE(text.find("\nmessage 0 (2 times)\n"), std::string::npos);
    EXPECT_TRUE(text.ends_with("\n... and 10 more messages"));
}

TEST(RunFeedback, IconAndTextAfterARun) {
    const std::string failed = "korvix did not complete the conversion:\n\n";
    const std::string warned = "korvix completed the conversion with these messages:\n\n";
    const std::string incomplete = "\n\nThe output file is incomplete.";
    const struct {
        const char* name;
        ExitStatus status;
        std::vector<std::string> messages;
        bool outputExists;
        FeedbackIcon icon;
        std::string text;
    } cases[] = {
        {"clean run", {false, 0}, {}, true, FeedbackIcon::None, ""},
        {"warnings: information, the output is complete",
         {false, 0},
         {kLimit, kNoPoints, kLimit},
         true,
         FeedbackIcon::Information,
         warned + kLimit + " (2 times)\n" + kNoPoints},
        {"failure after the output was opened",
         {false, 1},
         {"Unexpected end of input file"},
         true,
         FeedbackIcon::Error,
         failed + "Unexpected end of input file" + incomplete},
        {"failure before the output was opened",
         {false, 1},
         {"Can't open input file"},
         false,
         FeedbackIcon::Error,
         failed + "Can't open input file"},
        {"usage text",
         {false, 2},
         {"Usage = korvix", "  -R = Convert"},
         false,
         FeedbackIcon::Error,
         failed + "Usage = korvix\n  -R = Convert"},
        {"killed",
         {true, 9},
         {},
         true,
         FeedbackIcon::Error,
         failed + "korvix was ended by signal 9." + incomplete},
        {"killed after a warning",
         {true, 15},
         {kLimit},
         false,
         FeedbackIcon::Error,
         failed + kLimit + "\nkorvix was ended by signal 15."},
        {"failure without a word",
         {false, 3},
         {},
         false,
         FeedbackIcon::Error,
         failed + "korvix ended with exit status 3."},
    };
    for (const auto& c : cases) {
        RunResult result{c.status, {}};
        for (const std::string& message : c.messages) {
            result.messages.Add(message);
        }
        const Feedback feedback = RunFeedback(result, c.outputExists);
        EXPECT_EQ(feedback.icon, c.icon) << c.name;
        EXPECT_EQ(feedback.text, c.text) << c.name;
    }
}

} // namespace
