// The launcher core's rules for what the converter printed: trace lines, messages counted once
// each, the records a run read and wrote, and the message box after a run.
#include "CoreTestSupport.h"
#include "DialogControls.h"
#include "LauncherOptions.h"
#include "RouteLimits.h"
#include "RunFeedback.h"
#include "RunOutcome.h"
#include "long_options.h"
#include "trace_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

using namespace runkorvix;

namespace {

using Entries = std::vector<MessageLog::Entry>;

const std::string kLimit = "Route point limit reached - track truncated!";
const std::string kNoPoints = "Track has no points - track skipped";

// A trace line as korvix writes it: the record's type byte, a blank and its body length as the
// unsigned 32-bit count it is; every line korvix writes is read back as written.
TEST(TraceLine, ATypeByteABlankAndAnUnsignedNumber) {
    for (const korvix::rules::TraceLine trace :
         {korvix::rules::TraceLine{'W', 71}, {'V', 0}, {'7', 12}, {'\x01', 4294967295U}}) {
        char line[korvix::rules::trace_line_room];
        const std::size_t size = korvix::rules::format_trace_line(trace, line);
        ASSERT_EQ(line[size - 1], '\n');
        EXPECT_EQ(korvix::rules::read_trace_line(std::string_view(line, size - 1)), trace);
    }
    const struct {
        const char* line;
        bool trace;
    } cases[] = {
        {"W 71", true},
        {"R 279", true},
        {"v 2", true},
        {"T 4294967295", true},
        {"T 4294967296", false},
        {"T -5", false},
        {"T +5", false},
        {"L 0", true},
        {"7 71", true},
        {"", false},
        {"W", false},
        {"W ", false},
        {"W -", false},
        {"W 7a", false},
        {"W 71 ", false},
        {"W  71", false},
        {" W 71", false},
        {"WW 71", false},
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
    // The box lists fewer than the log keeps; those it leaves out are counted with the others.
    const std::string text =
        RunFeedback({{false, 0}, log, {}, {}}, OutputAfterFailure::NoneMade).text;
    EXPECT_NE(text.find("\nmessage 0 (2 times)\n"), std::string::npos);
    const std::string last = "\nmessage " + std::to_string(kShownMessages - 1) + " (2 times)\n";
    EXPECT_NE(text.find(last + "... and " +
                        std::to_string(2 * (MessageLog::kMaxDistinct - kShownMessages) + 10) +
                        " more messages"),
              std::string::npos)
        << text;
}

TEST(RunFeedback, WhatTheBoxShowsOfALine) {
    const std::string word60(60, 'x');
    const std::string e = "\xc3\xa9"; // é in UTF-8
    std::string e120, e50;
    for (int n = 0; n < 120; ++n) {
        e120 += e;
        e50 += n < 50 ? e : "";
    }
    std::string words; // "abc abc ...", 120 characters
    while (words.size() < 120) {
        words += "abc ";
    }
    const struct {
        const char* name;
        std::string line, shown;
    } cases[] = {
        {"a message", kLimit, kLimit},
        {"control characters as blanks", std::string("a\rb\0c\td\x7f\x1b", 9) + "e", "a b c d  e"},
        {"a long line cut after 100 characters", words, words.substr(0, kShownCharacters) + "..."},
        {"a long word broken", word60, std::string(50, 'x') + "\n" + std::string(10, 'x')},
        {"characters counted, never cut inside", e120, e50 + "\n" + e50 + "..."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShownLine(c.line), c.shown) << c.name;
    }
}

// Whatever korvix printed, the box ends with what became of the output, and its listing stays
// within bounds that the box keeps in sight.
TEST(RunFeedback, TheBoxKeepsItsLastLine) {
    std::string wide; // 30 distinct messages of 300 bytes
    for (int n = 10; n < 40; ++n) {
        wide += std::string(298, 'W') + std::to_string(n) + "\n";
    }
    const struct {
        const char* name;
        std::string print;
        long repeat;
    } cases[] = {
        {"a line of 20 MB", std::string(std::size_t{64} * 1024, 'x'), 320},
        {"30 long messages", wide, 1},
        {"carriage returns and zeros, no line end", std::string("ab\r\0", 4), 100000},
    };
    const std::string none = "\n\nNo output file was made.";
    for (const auto& c : cases) {
        OutputReader reader;
        for (long n = 0; n < c.repeat; ++n) {
            reader.Take(c.print);
        }
        reader.Take("\nCan't open input file\n");
        reader.Finish();
        const Feedback feedback =
            RunFeedback({{false, 1}, reader.Messages(), {}, {}}, OutputAfterFailure::NoneMade);
        const std::string& text = feedback.text;
        EXPECT_TRUE(text.ends_with(none)) << c.name;
        EXPECT_LT(text.size(), kShownTotal + 200) << c.name;
        EXPECT_EQ(std::count_if(text.begin(), text.end(),
                                [](char b) { return b != '\n' && (b < ' ' || b == 0x7f); }),
                  0)
            << c.name;
    }
}

TEST(RunFeedback, IconAndTextAfterARun) {
    const std::string kSummary = "2 routes became tracks in out.gdb.";
    const std::string failed = "korvix did not complete the conversion:\n\n";
    const std::string warned = "korvix completed the conversion with these messages:\n\n";
    const std::string kept = "\n\nThe output file was left as it was.";
    const std::string none = "\n\nNo output file was made.";
    const std::string incomplete = "\n\nThe output file is incomplete.";
    constexpr auto kKept = OutputAfterFailure::LeftAsItWas;
    constexpr auto kNone = OutputAfterFailure::NoneMade;
    const struct {
        const char* name;
        ExitStatus status;
        std::vector<std::string> messages;
        OutputAfterFailure output;
        FeedbackIcon icon;
        std::string text;
        std::string summary = {}; // what the run did, for a fixed option
        bool stopped = false;
        bool hadOutput = true; // before the run
    } cases[] = {
        {"clean run", {false, 0}, {}, kKept, FeedbackIcon::None, ""},
        {"clean run, summed up",
         {false, 0},
         {},
         OutputAfterFailure::Incomplete,
         FeedbackIcon::Information,
         kSummary,
         kSummary},
        {"the summary, then the messages",
         {false, 0},
         {kLimit, kLimit},
         kKept,
         FeedbackIcon::Information,
         kSummary + "\n\nkorvix said:\n\n" + kLimit + " (2 times)",
         kSummary},
        {"no summary after a failure",
         {false, 1},
         {kLimit},
         kNone,
         FeedbackIcon::Error,
         failed + kLimit + none,
         kSummary},
        {"warnings: information, the output is complete",
         {false, 0},
         {kLimit, kNoPoints, kLimit},
         kNone,
         FeedbackIcon::Information,
         warned + kLimit + " (2 times)\n" + kNoPoints},
        {"failure, the output there before",
         {false, 1},
         {"Unexpected end of input file"},
         kKept,
         FeedbackIcon::Error,
         failed + "Unexpected end of input file" + kept},
        {"failure, no output before",
         {false, 1},
         {"Can't open input file"},
         kNone,
         FeedbackIcon::Error,
         failed + "Can't open input file" + none},
        {"failure that changed the output all the same",
         {false, 1},
         {"Can't write output file"},
         OutputAfterFailure::Incomplete,
         FeedbackIcon::Error,
         failed + "Can't write output file" + incomplete},
        {"usage text",
         {false, 2},
         {"Usage = korvix", "  -R = Convert"},
         kNone,
         FeedbackIcon::Error,
         failed + "Usage = korvix\n  -R = Convert" + none},
        {"killed",
         {true, 9},
         {},
         kKept,
         FeedbackIcon::Error,
         failed + "korvix was ended by signal 9." + kept},
        {"killed after a warning",
         {true, 15},
         {kLimit},
         kNone,
         FeedbackIcon::Error,
         failed + kLimit + "\nkorvix was ended by signal 15." + none},
        {"failure without a word",
         {false, 3},
         {},
         kNone,
         FeedbackIcon::Error,
         failed + "korvix ended with exit status 3." + none},
        // Stopped: what korvix said is of no matter then, what became of the output is.
        {"stopped, the output as it was",
         {true, 15},
         {kLimit},
         kKept,
         FeedbackIcon::Information,
         kStoppedText,
         {},
         true},
        {"stopped before there was an output, none made",
         {true, 15},
         {kLimit},
         kNone,
         FeedbackIcon::Information,
         kStoppedNoOutputText,
         {},
         true,
         false},
        {"stopped, korvix ending with 0 all the same (Wine's Ctrl+C), none made",
         {false, 0},
         {},
         kNone,
         FeedbackIcon::Information,
         kStoppedText,
         kSummary,
         true},
        {"stopped once korvix had put its output in place",
         {false, 0},
         {},
         OutputAfterFailure::Incomplete,
         FeedbackIcon::Information,
         kSummary,
         kSummary,
         true},
        {"stopped, the output changed all the same",
         {true, 9},
         {},
         OutputAfterFailure::Incomplete,
         FeedbackIcon::Error,
         failed + "korvix was ended by signal 9." + incomplete,
         {},
         true},
    };
    for (const auto& c : cases) {
        RunResult result{c.status, {}, {}, {}, c.stopped};
        for (const std::string& message : c.messages) {
            result.messages.Add(message);
        }
        const Feedback feedback = RunFeedback(result, c.output, c.summary, c.hadOutput);
        EXPECT_EQ(feedback.icon, c.icon) << c.name;
        EXPECT_EQ(feedback.text, c.text) << c.name;
    }
}

// What a failed run did to the output file, from the file as the launcher saw it before and
// after the run.
TEST(RunFeedback, TheOutputFileBeforeAndAfterAFailedRun) {
    using namespace std::chrono_literals;
    const OutputFileState absent;
    const OutputFileState earlier{true, 1279, std::filesystem::file_time_type(100s)};
    const struct {
        const char* name;
        OutputFileState before, after;
        OutputAfterFailure output;
    } cases[] = {
        {"none before or after", absent, absent, OutputAfterFailure::NoneMade},
        {"the same file", earlier, earlier, OutputAfterFailure::LeftAsItWas},
        {"another size", earlier, {true, 400, earlier.written}, OutputAfterFailure::Incomplete},
        {"written since",
         earlier,
         {true, 1279, earlier.written + 1ms},
         OutputAfterFailure::Incomplete},
        {"made by the run", absent, earlier, OutputAfterFailure::Incomplete},
        {"gone after the run", earlier, absent, OutputAfterFailure::NoneMade},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OutputAfter(c.before, c.after), c.output) << c.name;
    }
}

TEST(RunCounts, InputRecordsFromTheTraceSkippedTracksFromTheMessages) {
    const std::string tooMany = "Too many waypoints needed to convert - track skipped";
    const struct {
        const char* name;
        std::vector<std::string> pieces; // as the output comes
        std::uint64_t waypoints, routes, tracks, skipped;
        Reductions reduced = {};
    } cases[] = {
        {"a mixed file", {"D 20\nW 71\nW 69\nR 279\nT 143\nT 9\nT 12\nL 8\nV 2\n"}, 2, 1, 3, 0},
        {"lines cut between pieces, CR LF", {"W 7", "1\r\nR", " 279\r\nT 1", "43\r\n"}, 1, 1, 1, 0},
        {"skipped tracks, once and repeated",
         {"T 9\n" + kNoPoints + "\nT 9\n" + kNoPoints + "\nT 99999\n" + tooMany + "\n"},
         0,
         0,
         3,
         3},
        {"lower-case letters and other messages are no records",
         {"w 71\nr 279\n" + kLimit + "\nW 71 \nR\n"},
         0,
         0,
         0,
         0},
        {"lines about reduced or cut tracks are no messages",
         {"T 9\nACTIVE LOG: 4210 points -> 250, within 11.6 m\nT 9\n",
          "A: B 1/2: 12 points -> 2 routes of 10 and 3, within 4.0 m\r\n"},
         0,
         0,
         2,
         0,
         {2, 3, 11.6}},
    };
    for (const auto& c : cases) {
        OutputReader reader;
        for (const std::string& piece : c.pieces) {
            reader.Take(piece);
        }
        reader.Finish();
        const RunCounts counts =
            CountsOf({{false, 0}, reader.Messages(), reader.Records(), reader.Reduced()});
        EXPECT_EQ(counts.waypoints, c.waypoints) << c.name;
        EXPECT_EQ(counts.routes, c.routes) << c.name;
        EXPECT_EQ(counts.tracks, c.tracks) << c.name;
        EXPECT_EQ(counts.skippedTracks, c.skipped) << c.name;
        EXPECT_EQ(counts.namelessTracks, c.skipped == 3 ? 1u : 0u) << c.name; // too many once
        EXPECT_EQ(counts.reductions, c.reduced) << c.name;
        EXPECT_TRUE(reader.Messages().Empty() || c.reduced.routes == 0) << c.name;
        EXPECT_FALSE(counts.outputWaypoints) << c.name;
    }
}

TEST(RunSummary, WhatEachOptionDidOrThatItFoundNothing) {
    // Input waypoints, routes, tracks, skipped tracks; output waypoints (-1: unreadable); under
    // limits what was reduced or cut; the skipped tracks that lacked names, and the names of
    // three digits that the input's waypoints take (-1: unread).
    const RouteLimits points{250, "", false}, both{250, "10", false}, split{250, "", true};
    const struct Case {
        const char* option;
        std::uint64_t waypoints, routes, tracks, skipped;
        long long output;
        std::string text;
        RouteLimits limits = {};
        Reductions reduced = {};
        std::uint64_t nameless = 0;
        long long names = -1;
    } cases[] = {
        {"-T", 3, 2, 1, 0, -1, "2 routes became tracks in out.gdb."},
        {"-U", 0, 1, 0, 0, -1, "1 route became a track in out.gdb."},
        {"-R", 3, 1, 0, 0, -1,
         "3 waypoints and 1 route were rewritten with user vias into out.gdb."},
        {"-S", 1, 2, 5, 0, -1,
         "1 waypoint and 2 routes were rewritten with hidden vias into out.gdb."},
        {"-V", 3, 1, 1, 0, 7, "1 track became a route in out.gdb, through 4 new waypoints."},
        {"-W", 0, 0, 3, 1, 5,
         "2 tracks became routes in out.gdb, through 5 new waypoints.\n1 track was skipped and is "
         "not in out.gdb. It has no points."},
        {"-V", 2, 0, 2, 0, -1, "2 tracks became routes in out.gdb."},
        {"-V", 0, 0, 2, 2, 0,
         "No track became a route in out.gdb.\n2 tracks were skipped and are not in out.gdb. They "
         "have no points."},
        // Nothing to work on.
        {"-T", 3, 0, 2, 0, -1,
         "out.gdb is now a copy of in.gdb: it holds no route to convert.\n\nIts 2 tracks are "
         "converted by -V and -W."},
        {"-U", 0, 0, 1, 0, -1,
         "out.gdb is now a copy of in.gdb: it holds no route to convert.\n\nIts 1 track is "
         "converted by -V and -W."},
        {"-R", 4, 0, 0, 0, -1,
         "out.gdb is now a copy of in.gdb: it holds no route and no track to convert."},
        {"-S", 0, 0, 3, 0, -1,
         "out.gdb is now a copy of in.gdb: it holds no route to convert.\n\nIts 3 tracks are "
         "converted by -V and -W."},
        {"-V", 3, 1, 0, 0, 3,
         "out.gdb is now a copy of in.gdb: it holds no track to convert.\n\nIts 1 route is "
         "converted by -T and -U; -R and -S rewrite the vias."},
        {"-W", 0, 2, 0, 0, -1,
         "out.gdb is now a copy of in.gdb: it holds no track to convert.\n\nIts 2 routes are "
         "converted by -T and -U; -R and -S rewrite the vias."},
        {"-W", 0, 0, 0, 0, -1,
         "out.gdb is now a copy of in.gdb: it holds no route and no track to convert."},
        // Under limits: what was made, of at most how many points, and how close.
        {"-V",
         312,
         0,
         26,
         0,
         962,
         "26 tracks became 27 routes of at most 250 points in out.gdb, within 10.0\u00A0m of their "
         "tracks, through 650 new waypoints.",
         both,
         {26, 27, 9.96}},
        {"-T",
         0,
         1,
         0,
         0,
         -1,
         "1 route became 3 tracks of at most 250 points in out.gdb, within 4.0\u00A0m of its "
         "route.",
         split,
         {1, 3, 4.0}},
        {"-U", 0, 2, 0, 0, -1, "2 routes became 2 tracks of at most 250 points in out.gdb.",
         points},
        {"-W",
         0,
         0,
         2,
         0,
         5,
         "2 tracks became 2 routes in out.gdb, through 5 new waypoints.",
         {0, "20", false}},
        // Tracks skipped for lack of names: why, and what can help.
        {"-V",
         312,
         0,
         26,
         6,
         2600,
         "20 tracks became routes in out.gdb, through 2288 new waypoints.\n6 tracks were skipped "
         "and are not in out.gdb. One run names at most 999 waypoints, and the file's own "
         "waypoints take 312 of those names. Fit every track into 687 waypoints converts them "
         "all.",
         {},
         {},
         6,
         312},
        {"-W",
         0,
         0,
         2,
         2,
         0,
         "No track became a route in out.gdb.\n2 tracks were skipped and are not in out.gdb. 1 of "
         "them has no points. One run names at most 999 waypoints. Fit every track into 999 "
         "waypoints converts them all.",
         points,
         {},
         1,
         0},
        {"-V",
         3,
         0,
         3,
         2,
         999,
         "1 track became 1 route of at most 250 points in out.gdb, through 996 new waypoints.\n2 "
         "tracks were skipped and are not in out.gdb. One run names at most 999 waypoints, and "
         "the file's own waypoints take 3 of those names. Fit every track into 996 waypoints "
         "converts them all.",
         split,
         {},
         2,
         3},
    };
    for (const Case& c : cases) {
        RunCounts counts{c.waypoints, c.routes,  c.tracks, c.skipped,   std::nullopt,
                         c.nameless,  c.reduced, c.limits, std::nullopt};
        if (c.output >= 0) {
            counts.outputWaypoints = static_cast<std::uint64_t>(c.output);
        }
        if (c.names >= 0) {
            counts.numberNames = static_cast<std::uint64_t>(c.names);
        }
        EXPECT_EQ(RunSummary(c.option, counts, "out.gdb", "in.gdb"), c.text)
            << c.option << ' ' << c.text;
    }
}

// What the input holds, in one line: the counts of a whole file, the names its waypoints take (001
// to 312 below, 312 names), or why korvix stops in it; for a whole file with a damaged track
// (the failure given below is that track's) that -V and -W stop at it.
TEST(InputContentsText, WhatTheInputHoldsInOneLine) {
    using Reach = korvix::FileContents::Reach;
    using korvix::Failure;
    const struct {
        Reach reach;
        Failure failure;
        std::uint64_t waypoints, routes, tracks;
        std::uint32_t namesTaken, fewest, most;
        const char* text;
    } cases[] = {
        {Reach::whole, Failure::none, 312, 0, 26, 312, 1, 1906,
         "312 waypoints, 26 tracks of 1 to 1906 points, no routes; 687 names left for new "
         "waypoints"},
        {Reach::whole, Failure::none, 1, 1, 1, 0, 12, 12,
         "1 waypoint, 1 track of 12 points, 1 route; 999 names left for new waypoints"},
        {Reach::whole, Failure::none, 3, 0, 3, 998, 5, 5,
         "3 waypoints, 3 tracks of 5 points, no routes; 1 name left for new waypoints"},
        {Reach::whole, Failure::none, 999, 0, 1, 999, 1, 1,
         "999 waypoints, 1 track of 1 point, no routes; no names left for new waypoints"},
        {Reach::whole, Failure::none, 0, 2, 0, 0, 0, 0, "no waypoints, no tracks, 2 routes"},
        {Reach::whole, Failure::none, 0, 0, 2, 0, 0, 7,
         "no waypoints, 2 tracks of 0 to 7 points, no routes; 999 names left for new waypoints"},
        {Reach::failed, Failure::end_of_input, 0, 0, 0, 0, 0, 0,
         "Not a whole GDB file: it ends early."},
        {Reach::whole, Failure::record_too_short, 2, 0, 3, 0, 4, 6,
         "2 waypoints, 3 tracks of 4 to 6 points, no routes; -V and -W stop at a damaged track"},
        {Reach::whole, Failure::end_of_input, 0, 0, 1, 0, 0, 0,
         "no waypoints, 1 track, no routes; -V and -W stop at a damaged track"},
        {Reach::not_gdb, Failure::none, 0, 0, 0, 0, 0, 0, "Not a GDB file."},
        {Reach::not_opened, Failure::none, 0, 0, 0, 0, 0, 0, "Not a GDB file."},
    };
    for (const auto& c : cases) {
        korvix::FileContents contents;
        contents.reach = c.reach;
        if (c.reach == Reach::whole) {
            contents.track_failure = c.failure;
            contents.damaged_tracks = c.failure != Failure::none ? 1 : 0;
        } else {
            contents.failure = c.failure;
        }
        contents.waypoints = c.waypoints;
        contents.routes = c.routes;
        contents.tracks = c.tracks;
        contents.fewest_track_points = c.fewest;
        contents.most_track_points = c.most;
        for (std::uint32_t number = 1; number <= c.namesTaken; ++number) {
            const char name[4] = {static_cast<char>('0' + number / 100),
                                  static_cast<char>('0' + number / 10 % 10),
                                  static_cast<char>('0' + number % 10), '\0'};
            contents.numbers.note_name(reinterpret_cast<const std::uint8_t*>(name), sizeof name);
        }
        EXPECT_EQ(InputContentsText(contents), c.text);
    }
}

TEST(ReductionLines, WhatKorvixSaysOfEachRouteOrTrackItReducedOrCut) {
    const struct {
        std::string line;
        std::optional<Reduction> reduction;
    } cases[] = {
        {"ACTIVE LOG 009: 4210 points -> 250, within 11.6 m", Reduction{1, 11.6}},
        {"ACTIVE LOG 009: 4210 points -> 3 routes of 250, 250 and 153, within 4.0 m",
         Reduction{3, 4.0}},
        {"Day 2: 20 points -> 2 tracks of 10 and 10, within 0.0 m", Reduction{2, 0.0}},
        {": 12 points -> 5, within 123456.7 m", Reduction{1, 123456.7}},
        // The name may hold anything, the words of the line too.
        {"a: 3 points -> 2, within 1.0 m: 9 points -> 4, within 2.5 m", Reduction{1, 2.5}},
        {"4210 points -> 250, within 11.6 m", std::nullopt},
        {"A: 4210 points -> 250, within 11.6 km", std::nullopt},
        {"A: 4210 points -> 250, within 11 m", std::nullopt},
        {"A: x points -> 250, within 11.6 m", std::nullopt},
        {"A: 4210 points -> 3 routes of 250, 250, within 4.0 m", std::nullopt},
        {"A: 4210 points -> 3 routes of 250 and 153, within 4.0 m", std::nullopt},
        {"A: 4210 points -> 1 routes of 250, within 4.0 m", std::nullopt},
        {"A: 4210 points -> 3 legs of 250, 250 and 153, within 4.0 m", std::nullopt},
        // Where the point limit overruled the tolerance, korvix names the tolerance after it.
        {"ACTIVE LOG 009: 1906 points -> 250, within 24.3 m, not 10 m", Reduction{1, 24.3, true}},
        {"B: 9 points -> 2 routes of 5 and 5, within 0.5 m, not 0.25 m", Reduction{2, 0.5, true}},
        {"A, not 3 m: 9 points -> 4, within 2.5 m", Reduction{1, 2.5}},
        {"A: 9 points -> 4, within 2.5 m, not x m", std::nullopt},
        {"A: 9 points -> 4, within 2.5, not 3 m", std::nullopt},
        {"Too many waypoints needed to convert - track skipped", std::nullopt},
    };
    Reductions sum;
    for (const auto& c : cases) {
        EXPECT_EQ(ParseReductionLine(c.line), c.reduction) << c.line;
        if (c.reduction) {
            sum.Add(*c.reduction);
        }
    }
    EXPECT_EQ(sum, (Reductions{8, 12, 123456.7, 2}));
    // For the free option, the lines in a sentence.
    EXPECT_EQ(ReductionsSummary({}), "");
    EXPECT_EQ(ReductionsSummary({2, 2, 3.25}),
              "korvix reduced 2 routes or tracks, within 3.2\u00A0m.");
    EXPECT_EQ(ReductionsSummary({1, 3, 4.0}),
              "korvix reduced or cut 1 route or track into 3, within 4.0\u00A0m.");
}

TEST(TrackLines, TheLineThatEndsAFitRun) {
    const struct {
        std::string line;
        std::optional<FitLine> fit;
    } cases[] = {
        {"26 tracks fit in 687 new waypoints, within 20.8 m of their tracks",
         FitLine{26, 687, 20.8}},
        {"1 track fits in 1 new waypoint, within 0.0 m of its track", FitLine{1, 1, 0.0}},
        {"2 tracks fit in 1 new waypoint, within 0.0 m of their tracks", FitLine{2, 1, 0.0}},
        {"1 track fit in 2 new waypoints, within 0.0 m of its track", std::nullopt},
        {"26 tracks fit in 687 new waypoints, within 20 m of their tracks", std::nullopt},
        {"26 tracks fit in many new waypoints, within 20.8 m of their tracks", std::nullopt},
        {"ACTIVE LOG: 26 tracks fit in 687 new waypoints, within 20.8 m of their tracks",
         std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseFitLine(c.line), c.fit) << c.line;
    }
    // A track's fate from the message after its trace line.
    EXPECT_EQ(FateOf("Too many waypoints needed to convert - track skipped"),
              TrackFate::SkippedNameless);
    EXPECT_EQ(FateOf(kNoPoints), TrackFate::SkippedEmpty);
    EXPECT_EQ(FateOf("Track has no points - track kept"), TrackFate::Kept);
    EXPECT_EQ(FateOf("Too few waypoints left to convert - track kept"), TrackFate::Kept);
    EXPECT_EQ(FateOf(kLimit), TrackFate::None);
}

} // namespace

// The labels behind the point limit's and the waypoints' fields name the ranges of korvix's own
// table of its long options, and the buttons that take the limits and --fit are the letters that
// the table gives them.
TEST(LongOptions, TheDialogTakesRangesAndLettersFromKorvixsTable) {
    const std::span<const ControlTemplate> controls(kParseDlgControls);
    const struct {
        int field;
        const char* option;
    } ranges[] = {{IDC_POINTS, "--points"}, {IDC_WAYPOINTS, "--waypoints"}};
    for (const auto& range : ranges) {
        int labels = 0;
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const int before = TextBeforeLabel(controls, static_cast<int>(i));
            if (controls[i].kind != ControlKind::Label || before == kNoControl ||
                controls[static_cast<std::size_t>(before)].id != range.field) {
                continue;
            }
            ++labels;
            std::string expected = "(";
            expected
                .append(korvix::rules::range_text(korvix::rules::long_option_named(range.option)))
                .append(")");
            EXPECT_NE(std::string(controls[i].caption).find(expected), std::string::npos)
                << controls[i].caption;
        }
        EXPECT_EQ(labels, 1) << range.option;
    }
    const std::string takesLimits = "TUVW", takesFit = "VW";
    for (int radio = 0; radio < static_cast<int>(kFixedOptions.size()); ++radio) {
        const char letter = kFixedOptions[static_cast<std::size_t>(radio)][1];
        EXPECT_EQ(TakesLimits(radio), takesLimits.find(letter) != std::string::npos) << letter;
        EXPECT_EQ(TakesFit(radio), takesFit.find(letter) != std::string::npos) << letter;
    }
}
