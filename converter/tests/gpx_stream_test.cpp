// A GPX file run as korvix runs a file, in small blocks and reads that give fewer bytes than asked,
// converts as the run in memory does; a file that is no well-formed GPX (a table of them) is
// refused with its line and column and leaves no output; the output's name follows the input's
// format. The files library's walk of a file read through small buffers tells what it tells of the
// file in memory.
#include "byte_io.h"
#include "file_contents.h"
#include "gdb_builder.h"
#include "owned_file.h"
#include "platform.h"
#include "record_dispatch.h"
#include "run_driver.h"
#include "test_files.h"
#include "xml_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace korvix::testing {
namespace {

namespace fs = std::filesystem;

const fs::path corpus = fs::path(KORVIX_SOURCE_DIR) / "converter" / "fuzz" / "corpus";
const char* const gpx_files[] = {"gpx10-route-track.gpx", "basecamp-route.gpx",
                                 "tracks-prefixed-crlf.gpx"};

// What the files library's walk tells of a file: its records, the numbers its names take and
// every track's name, size and positions.
std::string walked(InputBytes& input) {
    std::string told;
    const FileContents contents = read_file_contents(input, [&](const TrackSeen& track) {
        std::uint64_t sum = 0;
        for (std::uint32_t i = 0; i < track.points.count; ++i)
            sum += static_cast<std::uint32_t>(track.points.latitude[i] ^ track.points.longitude[i]);
        told += std::to_string(track.index) + " " + std::string(track.name) + " " +
                std::to_string(track.points.count) + " " + std::to_string(sum) + "\n";
    });
    return told + std::to_string(static_cast<int>(contents.reach)) + " " +
           std::to_string(contents.waypoints) + " " + std::to_string(contents.routes) + " " +
           std::to_string(contents.tracks) + " " + std::to_string(contents.numbers.taken_count()) +
           " " + contents.message();
}

TEST(FileContentsWalk, ThroughAFileInSmallBuffersAsInMemory) {
    const fs::path folder = fs::temp_directory_path() / "korvix-contents-walk";
    fs::create_directories(folder);
    for (const fs::directory_entry& entry : fs::directory_iterator(corpus)) {
        const Bytes bytes = read_file(entry.path());
        MemoryBytes memory(bytes);
        const std::string expected = walked(memory);
        // Damaged copies too: a GPX file refused, a GDB file cut short.
        for (const std::size_t cut : {bytes.size(), bytes.size() * 2 / 3}) {
            const std::span<const std::uint8_t> kept = std::span(bytes).first(cut);
            write_file(folder / "in", kept);
            MemoryBytes cut_memory(kept);
            const std::string in_memory = cut == bytes.size() ? expected : walked(cut_memory);
            // The smallest buffer holds a record header and the four bytes of a name that
            // takes a number, as the walk of a GDB file's records reads them at once.
            for (const std::size_t buffer_size : {9, 64, 4096}) {
                const File file(open_file((folder / "in").string(), "rb"));
                ASSERT_TRUE(file);
                std::vector<std::uint8_t> buffer(buffer_size);
                FileBytes input(file.get(), buffer);
                EXPECT_EQ(walked(input), in_memory)
                    << entry.path().filename() << " cut at " << cut << ", buffer " << buffer_size;
            }
        }
    }
    fs::remove_all(folder);
}

// The input read from a source that hands it out in pieces, in blocks of `block` bytes.
RunResult convert_streamed(const Bytes& input, const RunSettings& settings, std::size_t block,
                           std::span<const std::size_t> pieces, RunMemory& memory) {
    RunResult result;
    MemorySource source(input);
    PieceReads reads(source, pieces);
    MemoryBytes whole(input);
    std::vector<std::uint8_t> input_block(block), output_block(block);
    RunFailure failure;
    InputStream in(failure, reads, input_block);
    OutputStream out(failure, result.output, output_block);
    Console console(result.console);
    result.status = convert(in, out, settings, console, memory, &whole);
    out.flush();
    return result;
}

TEST(GpxStream, ConvertsInSmallBlocksAndShortReadsAsInMemory) {
    const std::unique_ptr<RunMemory> memory = reserve_run_memory();
    const std::size_t pieces[] = {1, 7, 3, 64, 2};
    const RunSettings settings[] = {
        {ConversionMode::track_all_points, {}},
        {ConversionMode::track_via_points, {.max_points = 2}},
        {ConversionMode::route_from_track_user_vias, {.max_points = 3, .split = true}},
        {ConversionMode::route_from_track_hidden_vias, {}, true, 3},
        {ConversionMode::route_user_vias, {}},
        {ConversionMode::route_hidden_vias, {}},
    };
    for (const char* file : gpx_files) {
        const Bytes input = read_file(corpus / file);
        for (const RunSettings& s : settings) {
            const RunResult whole = convert_bytes(input, s);
            ASSERT_EQ(whole.status, 0) << file << whole.console;
            for (const std::size_t block : {64, 100, 4096}) {
                const RunResult streamed = convert_streamed(input, s, block, pieces, *memory);
                EXPECT_EQ(streamed.status, whole.status) << file << " " << block;
                EXPECT_EQ(streamed.console, whole.console) << file << " " << block;
                EXPECT_TRUE(streamed.output == whole.output)
                    << file << " -" << static_cast<char>(s.mode) << " in blocks of " << block;
            }
        }
    }
}

struct BadXml {
    const char* name;
    const char* text;
    const char* message; // the console's last line
};

const BadXml bad_files[] = {
    {"MismatchedTag", "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">\n<trk>\n</rte>\n</gpx>",
     "Input file not valid GPX: line 3, column 3: mismatched tag"},
    {"CutShort",
     "<?xml version=\"1.0\"?>\n<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">\n<trk><trkseg>",
     "Input file not valid GPX: line 3, column 14: the file ends before its gpx element does"},
    {"BillionLaughs",
     "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;\">]>\n"
     "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">&b;</gpx>",
     "Input file not valid GPX: line 2, column 15: a document type declaration (DOCTYPE), which "
     "korvix does not read"},
    {"ExternalEntity",
     "<?xml version=\"1.0\"?><!DOCTYPE gpx SYSTEM \"file:///etc/passwd\">\n<gpx/>",
     "Input file not valid GPX: line 1, column 63: a document type declaration (DOCTYPE), which "
     "korvix does not read"},
    {"UndefinedEntity",
     "<gpx xmlns=\"http://www.topografix.com/GPX/1/0\">\n  <wpt>&nbsp;</wpt></gpx>",
     "Input file not valid GPX: line 2, column 8: undefined entity"},
    {"NotGpx", "<?xml version=\"1.0\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\"/>",
     "Input file not valid GPX: line 2, column 1: the root element is no gpx element of GPX 1.0 "
     "or 1.1"},
    {"Latin1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><gpx/>",
     "Input file not valid GPX: line 1, column 1: encoding ISO-8859-1, where korvix reads UTF-8"},
    {"JunkAfter", "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"/>\n<gpx/>",
     "Input file not valid GPX: line 2, column 1: junk after the end of the gpx element"},
    {"JunkAfterCrlfLines",
     "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">\r\n</gpx  \r\n>\r\n<!-- c -->\r\n\r\n"
     "<?pi \xC3\xA9?>\xC3\xA9\xC3\xA9<gpx/>",
     "Input file not valid GPX: line 6, column 9: junk after the end of the gpx element"},
    // A name whose third character no name may hold, and a comment never closed.
    {"BadNameAfter", "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"></gpx>\r\rab\x01c",
     "Input file not valid GPX: line 3, column 1: junk after the end of the gpx element"},
    {"OpenCommentAfter", "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"></gpx> <!-- c",
     "Input file not valid GPX: line 1, column 55: junk after the end of the gpx element"},
    // Runs of CRs and CR LFs within the root, a line end each.
    {"CrRunsInAValue",
     "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" a=\"\r\r\r\n\r\"\r\r\n>\r\r<trk></rte>",
     "Input file not valid GPX: line 9, column 8: mismatched tag"},
};

// Takes the events and keeps nothing: the reader's refusal is what is looked at.
class NoHandler final : public XmlHandler {
public:
    void start(const XmlName&, XmlAttributes) override {}
    void end(const char*) override {}
    void text(std::string_view) override {}
    void raw(std::string_view) override {}
};

// A refusal names the line and column, and says the words, that it names when the file is read
// whole, wherever the pieces the file is read in end: behind the root element expat alone would
// count a CR at a piece's end and the LF behind it as two lines, and call a name cut by a piece's
// end junk where the whole name is an invalid token further on.
TEST(GpxStream, ARefusalIsTheSameWhereverThePiecesEnd) {
    const auto refusal = [](std::string_view text, std::size_t cut) {
        NoHandler handler;
        XmlReader reader(handler);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
        for (std::size_t at = 0; at < text.size(); at += cut) {
            if (!reader.feed(bytes + at, std::min(cut, text.size() - at), false))
                return refusal_message(reader.error());
        }
        reader.feed(bytes, 0, true);
        return refusal_message(reader.error());
    };
    for (const BadXml& bad : bad_files) {
        const std::string_view text = bad.text;
        // A root that is no gpx element is refused by the walk, not by the reader.
        if (!std::string_view(bad.message).ends_with("GPX 1.0 or 1.1")) {
            EXPECT_EQ(refusal(text, text.size()), std::string(bad.message) + "\n") << bad.name;
        }
        for (std::size_t cut = 1; cut < text.size(); ++cut)
            EXPECT_EQ(refusal(text, cut), refusal(text, text.size())) << bad.name << " " << cut;
    }
}

class GpxRefused : public ::testing::TestWithParam<BadXml> {};

TEST_P(GpxRefused, WithItsLineAndNoOutput) {
    const BadXml& bad = GetParam();
    const TempDir dir("korvix-gpx-bad");
    write_file(dir / "in.gpx", std::string_view(bad.text));
    // A new output is not made, an existing one stays as it was.
    write_file(dir / "old.gpx", std::string_view("old"));
    for (const char* option : {"-T", "-V", "-S"}) {
        for (const char* output : {"new.gpx", "old.gpx"}) {
            const ProgramRun run = run_program(option, dir / "in.gpx", dir / output);
            EXPECT_EQ(run.status, 1);
            EXPECT_TRUE(run.console.ends_with(std::string(bad.message) + "\n")) << run.console;
        }
        EXPECT_FALSE(fs::exists(dir / "new.gpx"));
        EXPECT_EQ(read_text(dir / "old.gpx"), "old");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, GpxRefused, ::testing::ValuesIn(bad_files),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GpxStream, LeavesOutPointsThatCannotBeReadOrLieBeyondAPole) {
    const std::string gpx = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><trkseg>"
                            "<trkpt lat=\"1\" lon=\"2\"/><trkpt lat=\"91\" lon=\"2\"/>"
                            "<trkpt lat=\"abc\" lon=\"2\"/><trkpt lat=\"1e1\" lon=\"2\"/>"
                            "<trkpt lat=\"-1.5\" lon=\"+2.5\"/></trkseg></trk></gpx>";
    const RunResult run = convert_bytes(
        Bytes(gpx.begin(), gpx.end()), RunSettings{ConversionMode::route_from_track_user_vias, {}});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.console, "T " + std::to_string(gpx.size() - 53) +
                               "\nTrack point out of range - point skipped\n");
    const std::string out(run.output.begin(), run.output.end());
    EXPECT_NE(out.find("<rtept lat=\"1\" lon=\"2\"><name>001</name></rtept>"), std::string::npos);
    EXPECT_NE(out.find("<rtept lat=\"-1.5\" lon=\"+2.5\"><name>002</name></rtept>"),
              std::string::npos);
    EXPECT_EQ(out.find("<rtept lat=\"91\""), std::string::npos);
}

// -V numbers the route points around the names of the waypoints and route points behind the
// first track too, read ahead (a file out of GPX's order, as some programs write); names of three
// digits only, compared exactly. Where a piece of the read ahead ends in a name's element, the
// element is still found.
TEST(GpxStream, NamesBehindTheFirstTrackAreReadAhead) {
    const std::string track = "<trk><name>T</name><trkseg><trkpt lat=\"1\" lon=\"1\"/>"
                              "<trkpt lat=\"2\" lon=\"2\"/><trkpt lat=\"3\" lon=\"3\"/>"
                              "</trkseg></trk>";
    for (const std::size_t padding : {0, 65536 - 200, 200000}) {
        std::string gpx = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" xmlns:g=\"urn:other\">";
        gpx += track;
        gpx += "<!--";
        gpx.append(padding, '.');
        gpx += "--><wpt lat=\"5\" lon=\"5\"><name>002</name></wpt>"
               "<wpt lat=\"5\" lon=\"5\"><name>0003</name></wpt>"
               "<rte><rtept lat=\"6\" lon=\"6\"><name><![CDATA[004]]></name></rtept></rte>";
        gpx += track;
        gpx += "</gpx>";
        const RunResult run =
            convert_bytes(Bytes(gpx.begin(), gpx.end()),
                          RunSettings{ConversionMode::route_from_track_user_vias, {}});
        ASSERT_EQ(run.status, 0) << run.console;
        std::string names;
        const std::string out(run.output.begin(), run.output.end());
        for (std::size_t at = out.find("</rtept>"); at != std::string::npos;
             at = out.find("</rtept>", at + 1))
            names += out.substr(at - 10, 3) + " ";
        // The file's own route point (004) stands between the two routes.
        EXPECT_EQ(names, "001 003 005 ]]> 006 007 008 ") << padding;
    }
}

// A GPX file written over between the read ahead at the first track and the stream (its size and
// time kept) fails the run with nothing written: a waypoint behind the track renamed to a number
// the routes would take, and under --fit a track point moved.
struct GpxOverwrite {
    fs::path path;
    std::string text;
};
const GpxOverwrite* gpx_overwrite = nullptr;

void write_over_gpx() {
    const fs::file_time_type time = fs::last_write_time(gpx_overwrite->path);
    std::FILE* file = open_file(utf8_name(gpx_overwrite->path), "r+b");
    ASSERT_NE(file, nullptr);
    std::fwrite(gpx_overwrite->text.data(), 1, gpx_overwrite->text.size(), file);
    std::fclose(file);
    fs::last_write_time(gpx_overwrite->path, time);
}

TEST(GpxStream, InputChangedBetweenTheReadAheadAndTheStreamFailsTheRun) {
    const std::string track = "<trk><trkseg><trkpt lat=\"1\" lon=\"1\"/><trkpt lat=\"2\" "
                              "lon=\"2.5\"/><trkpt lat=\"3\" lon=\"3\"/></trkseg></trk>";
    const std::string gpx = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">" + track +
                            "<wpt lat=\"5\" lon=\"5\"><name>XYZ</name></wpt>" + track + "</gpx>";
    const std::pair<std::string, std::string> edits[] = {{"XYZ", "001"}, {"2.5", "2.6"}};
    const TempDir dir("korvix-gpx-changed");
    for (const auto& [from, to] : edits) {
        for (const bool fit : {false, true}) {
            std::string edited = gpx;
            edited.replace(edited.rfind(from), from.size(), to);
            write_file(dir / "in.gpx", std::string_view(gpx));
            // An hour old, a time that the file system keeps as it is set back (as in
            // input_change_test.cpp).
            fs::last_write_time(dir / "in.gpx",
                                fs::last_write_time(dir / "in.gpx") - std::chrono::hours(1));
            write_file(dir / "out.gpx", std::string_view("previous"));
            const GpxOverwrite overwrite{dir / "in.gpx", edited};
            gpx_overwrite = &overwrite;
            after_read_ahead_hook = write_over_gpx;
            const std::unique_ptr<RunMemory> memory = reserve_run_memory();
            RunFiles files =
                open_run_files(utf8_name(dir / "in.gpx"), utf8_name(dir / "out.gpx"), stdout);
            ASSERT_EQ(files.outcome, OpenOutcome::opened);
            std::vector<std::uint8_t> input_block(64), output_block(64);
            std::string said;
            Console console(said);
            const RunSettings settings{ConversionMode::route_from_track_user_vias, {}, fit, 0};
            const int status =
                convert_files(files, settings, console, *memory, input_block, output_block);
            after_read_ahead_hook = nullptr;
            // A name is read ahead only where -V must know it; a point only under --fit.
            const bool seen = from == "XYZ" || fit;
            EXPECT_EQ(status, seen ? 1 : 0) << from << " " << fit << said;
            EXPECT_EQ(said.ends_with("Input file changed during the run\n"), seen) << said;
            EXPECT_EQ(read_text(dir / "out.gpx") == "previous", seen);
        }
    }
}

// The format is told by the first 64 bytes, in a run as in the look at a named file before it:
// "<gpx" must stand whole among them, behind white space.
TEST(GpxStream, FormatToldByTheFirst64Bytes) {
    const std::string root = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"/>";
    for (const std::size_t blanks : {0, 1, 59, 60, 61, 200}) {
        const std::string text = std::string(blanks, blanks % 2 == 0 ? ' ' : '\n') + root;
        const RunResult run = convert_bytes(Bytes(text.begin(), text.end()),
                                            RunSettings{ConversionMode::route_user_vias, {}});
        const bool gpx = blanks + 4 <= 64;
        EXPECT_EQ(run.status, gpx ? 0 : 1) << blanks;
        EXPECT_EQ(run.console, gpx ? "" : "Input file not in GDB format\n") << blanks;
        const TempDir dir("korvix-gpx-probe");
        write_file(dir / "in.gpx", std::string_view(text));
        EXPECT_EQ(run_program("-R", dir / "in.gpx", dir / "out").status, gpx ? 0 : 1);
        EXPECT_EQ(fs::exists(dir / "out.gpx"), gpx) << blanks;
        EXPECT_FALSE(fs::exists(dir / "out.gdb")) << blanks; // a failed run makes no file
    }
}

// A GPX input writes a GPX output: a name without a '.' gets ".gpx", a name ending in ".gdb" is
// refused before any file is made or changed. A GDB input is written as before, whatever the name.
TEST(GpxStream, OutputNameFollowsTheInputsFormat) {
    const TempDir dir("korvix-gpx-name");
    fs::copy_file(corpus / "gpx10-route-track.gpx", dir / "in.gpx");
    const ProgramRun named = run_program("-V", dir / "in.gpx", dir / "out");
    EXPECT_EQ(named.status, 0) << named.console;
    EXPECT_TRUE(fs::exists(dir / "out.gpx"));
    EXPECT_FALSE(fs::exists(dir / "out.gdb"));
    write_file(dir / "kept.GDB", std::string_view("GDB bytes"));
    for (const char* output : {"kept.GDB", "new.gdb"}) {
        const ProgramRun refused = run_program("-V", dir / "in.gpx", dir / output);
        EXPECT_EQ(refused.status, 2);
        EXPECT_TRUE(refused.console.starts_with(
            "korvix writes a GPX file from a GPX file: name the output .gpx\nUsage = korvix"))
            << refused.console;
    }
    EXPECT_EQ(read_text(dir / "kept.GDB"), "GDB bytes");
    EXPECT_FALSE(fs::exists(dir / "new.gdb"));
    fs::copy_file(fs::path(KORVIX_SOURCE_DIR) / "examples" / "sample.gdb", dir / "sample.gdb");
    const ProgramRun gdb = run_program("-V", dir / "sample.gdb", dir / "route.gpx");
    EXPECT_EQ(gdb.status, 0);
    EXPECT_TRUE(read_file(dir / "route.gpx") ==
                convert_bytes(read_file(dir / "sample.gdb"),
                              RunSettings{ConversionMode::route_from_track_user_vias, {}})
                    .output);
}

} // namespace
} // namespace korvix::testing
