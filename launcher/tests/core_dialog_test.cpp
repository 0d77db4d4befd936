// The main dialog's model: which control is enabled, checked and showing what after each event,
// from stored settings, and what a run of it passes the converter.
#include "CoreTestSupport.h"
#include "ParseDlgModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using namespace runkorvix;
namespace fs = std::filesystem;

namespace {

// One event of the dialog: a click on a control, a field's new text, or a file chosen.
struct Event {
    enum Kind { Click, Text, Input, Output, Drop } kind;
    int id = 0;
    std::string text = {};
};

// The states that the events change, in one line: the checked option, then each control that
// takes input or shows text: '+' enabled, '-' disabled, 'x' checked, its text in brackets.
std::string Describe(const ParseDlgModel& model) {
    std::string line;
    for (std::size_t index = 0; index < ParseDlgModel::kOptionIds.size(); ++index) {
        if (model.State(ParseDlgModel::kOptionIds[index]).checked) {
            line += std::to_string(index);
        }
    }
    const struct {
        int id;
        const char* name;
    } shown[] = {
        {IDC_OUTPUT_FILE, "output"},
        {IDC_RUN, "run"},
        {IDC_OTHER, "other"},
        {IDC_INPUT_PATH, "in"},
        {IDC_OUTPUT_PATH, "out"},
        {IDC_LIMIT_POINTS, "points"},
        {IDC_POINTS, "n"},
        {IDC_LIMIT_TOLERANCE, "tol"},
        {IDC_TOLERANCE, "m"},
        {IDC_SPLIT, "split"},
        {IDC_FIT, "fit"},
        {IDC_WAYPOINTS, "k"},
        {IDC_INPUT_NOTE, "note"},
        {IDC_OUTPUT_NOTE, "onote"},
        {IDC_WAYPOINTS_NOTE, "wnote"},
    };
    for (const auto& control : shown) {
        const ControlState& state = model.State(control.id);
        if (control.id == IDC_WAYPOINTS_NOTE) { // the template's words unless it counts
            line += state.text == kNewWaypointsCaption ? "" : " wnote[" + state.text + ']';
            continue;
        }
        if (control.id == IDC_INPUT_NOTE || control.id == IDC_OUTPUT_NOTE) { // lines of text
            line +=
                state.text.empty() ? "" : ' ' + std::string(control.name) + '[' + state.text + ']';
            continue;
        }
        line += std::string(" ") + control.name + (state.enabled ? "+" : "-");
        line += state.checked ? "x" : "";
        if (!state.text.empty()) {
            line += '[' + fs::path(state.text).filename().string() + ']';
        }
    }
    return line;
}

// Settings of the section "Options" in a store.
void Store(MemoryStore& store, const std::map<std::string, int>& ints,
           const std::map<std::string, std::string>& strings) {
    for (const auto& [entry, value] : ints) {
        store.ints["Options/" + entry] = value;
    }
    for (const auto& [entry, value] : strings) {
        store.strings["Options/" + entry] = value;
    }
}

class DialogModel : public ::testing::Test {
protected:
    DialogModel() {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        std::ofstream(m_dir / "in.gdb") << "GDB";
        std::ofstream(m_dir / "ride.gdb", std::ios::binary)
            << GdbHeader() + Record('W', std::string("001\0", 4)) + Record('W', "Home") +
                   OnePointTrack() + Record('V', "");
        fs::create_directories(m_dir / "folder.gdb");
    }
    ~DialogModel() override { fs::remove_all(m_dir); }

    std::string Path(const char* name) const { return (m_dir / name).string(); }
    void Apply(ParseDlgModel& model, const Event& event) const {
        switch (event.kind) {
        case Event::Click:
            model.Click(event.id);
            return;
        case Event::Text:
            model.EditText(event.id, event.text);
            return;
        case Event::Input:
            model.ChooseInput(event.text.empty() ? "" : Path(event.text.c_str()));
            return;
        case Event::Output:
            model.ChooseOutput(event.text.empty() ? "" : Path(event.text.c_str()));
            return;
        case Event::Drop: // names apart by '|'
            std::vector<std::string> paths;
            for (std::size_t at = 0; at <= event.text.size();) {
                const std::size_t end = std::min(event.text.find('|', at), event.text.size());
                paths.push_back(Path(event.text.substr(at, end - at).c_str()));
                at = end + 1;
            }
            model.Drop(paths);
            return;
        }
    }

    // A folder of each test's own: CTest runs the tests side by side.
    fs::path m_dir = fs::temp_directory_path() /
                     ("runkorvix dialog model " +
                      std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
};

TEST_F(DialogModel, RunPassesTheLimitsOfTToWAndStoresThem) {
    fs::copy_file(FAKE_KORVIX_PATH, m_dir / ConverterFileName());
    const std::string log = Path("converter.log");
    const std::string input = Path("in.gdb"), output = Path("out.gdb");
    const std::map<std::string, int> none;
    const std::map<std::string, int> limited = {{"Radio", 4}, {"Points", 120}};
    const struct {
        const char* name;
        std::map<std::string, int> ints;
        std::vector<Event> events;
        std::vector<std::string> options; // passed before the files; none: refused
        std::string refusal;
        std::string stored; // "Points Tolerance Split Fit Waypoints" after the run; "absent":
                            // never written
    } cases[] = {
        {"no limits stored: today's command line", none, {}, {"-T"}, "", "0  0 0 0"},
        {"no limits stored, -V", {{"Radio", 4}}, {}, {"-V"}, "", "0  0 0 0"},
        {"the point limit's default",
         {{"Radio", 5}},
         {{Event::Click, IDC_LIMIT_POINTS}},
         {"-W", "--points=250"},
         "",
         "250  0 0 0"},
        {"all three behind the option, the tolerance without its blanks",
         {{"Radio", 4}},
         {{Event::Click, IDC_LIMIT_POINTS},
          {Event::Text, IDC_POINTS, "0300"},
          {Event::Click, IDC_LIMIT_TOLERANCE},
          {Event::Text, IDC_TOLERANCE, " 2.5 "},
          {Event::Click, IDC_SPLIT}},
         {"-V", "--points=300", "--tolerance=2.5", "--split"},
         "",
         "300 2.5 1 0 0"},
        {"stored limits run again",
         {{"Radio", 3}, {"Points", 120}, {"Split", 1}},
         {},
         {"-U", "--points=120", "--split"},
         "",
         "120  1 0 0"},
        {"a split without its point limit is not passed",
         none,
         {{Event::Click, IDC_LIMIT_POINTS},
          {Event::Click, IDC_SPLIT},
          {Event::Click, IDC_LIMIT_POINTS},
          {Event::Click, IDC_LIMIT_TOLERANCE}},
         {"-T", "--tolerance=10"},
         "",
         "0 10 0 0 0"},
        {"an unchecked field is not looked at",
         none,
         {{Event::Text, IDC_POINTS, "x"}},
         {"-T"},
         "",
         "0  0 0 0"},
        {"-R passes none and keeps them stored",
         limited,
         {{Event::Click, IDC_RADIO_R}},
         {"-R"},
         "",
         "120 absent absent absent absent"},
        {"the free option passes its text alone",
         limited,
         {{Event::Click, IDC_RADIO_OTHER}, {Event::Text, IDC_OTHER, "-W --points=9"}},
         {"-W", "--points=9"},
         "",
         "120 absent absent absent absent"},
        // A value out of range stops the run before anything is stored.
        {"one point",
         limited,
         {{Event::Text, IDC_POINTS, "1"}},
         {},
         kBadPointLimitText,
         "120 absent absent absent absent"},
        {"10001 points",
         none,
         {{Event::Click, IDC_LIMIT_POINTS}, {Event::Text, IDC_POINTS, "10001"}},
         {},
         kBadPointLimitText,
         "absent absent absent absent absent"},
        {"no number",
         none,
         {{Event::Click, IDC_LIMIT_POINTS}, {Event::Text, IDC_POINTS, "25 0"}},
         {},
         kBadPointLimitText,
         "absent absent absent absent absent"},
        {"a tolerance of 0",
         limited,
         {{Event::Click, IDC_LIMIT_TOLERANCE}, {Event::Text, IDC_TOLERANCE, "0"}},
         {},
         kBadToleranceText,
         "120 absent absent absent absent"},
        {"a decimal comma",
         none,
         {{Event::Click, IDC_LIMIT_TOLERANCE}, {Event::Text, IDC_TOLERANCE, "2,5"}},
         {},
         kBadToleranceText,
         "absent absent absent absent absent"},
        // The fit of -V and -W: korvix finds the tolerance, within the file's names unless a
        // number is given; stored, it is not passed by -T.
        {"a fit into the names the file leaves",
         {{"Radio", 4}},
         {{Event::Click, IDC_FIT}},
         {"-V", "--fit"},
         "",
         "0  0 1 0"},
        {"a fit into a number given, no tolerance passed",
         {{"Radio", 5}},
         {{Event::Click, IDC_LIMIT_TOLERANCE},
          {Event::Click, IDC_FIT},
          {Event::Text, IDC_WAYPOINTS, " 500"},
          {Event::Click, IDC_LIMIT_POINTS}},
         {"-W", "--points=250", "--fit", "--waypoints=500"},
         "",
         "250  0 1 500"},
        {"a stored fit is not passed by -T",
         {{"Radio", 2}, {"Fit", 1}, {"Waypoints", 300}},
         {},
         {"-T"},
         "",
         "0  0 1 300"},
        {"1000 waypoints",
         {{"Radio", 4}},
         {{Event::Click, IDC_FIT}, {Event::Text, IDC_WAYPOINTS, "1000"}},
         {},
         kBadWaypointsText,
         "absent absent absent absent absent"},
        {"no waypoints",
         {{"Radio", 4}},
         {{Event::Click, IDC_FIT}, {Event::Text, IDC_WAYPOINTS, "0"}},
         {},
         kBadWaypointsText,
         "absent absent absent absent absent"},
        {"a bad value under -S is not looked at",
         {{"Radio", 1}, {"Points", 120}},
         {{Event::Click, IDC_RADIO_V}, {Event::Text, IDC_POINTS, "1"}, {Event::Click, IDC_RADIO_S}},
         {"-S"},
         "",
         "120 absent absent absent absent"},
    };
    for (const auto& c : cases) {
        MemoryStore store;
        Store(store, c.ints, {});
        LauncherSettings settings(store);
        ParseDlgModel model(settings);
        ASSERT_EQ(model.Start(Path("runkorvix")), std::nullopt) << c.name;
        model.ChooseInput(input);
        model.ChooseOutput(output);
        for (const Event& event : c.events) {
            Apply(model, event);
        }
        fs::remove(log);
        Converter("", 1, "0");
        SetEnv("RUNKORVIX_TEST_LOG", log);
        const Feedback feedback = model.Run([&model] {
            while (model.Pump()) {
            }
        });
        std::vector<std::string> arguments = LogLines(log);
        if (c.options.empty()) {
            EXPECT_EQ(feedback.icon, FeedbackIcon::Error) << c.name;
            EXPECT_EQ(feedback.text, c.refusal) << c.name;
            EXPECT_TRUE(arguments.empty()) << c.name;
        } else {
            ASSERT_EQ(arguments.size(), c.options.size() + 4) << c.name;
            EXPECT_EQ(std::vector<std::string>(arguments.begin() + 1, arguments.end() - 3),
                      c.options)
                << c.name;
            EXPECT_EQ(arguments[arguments.size() - 3], input) << c.name;
        }
        // The choosers open next time where the files were chosen, stored by a run.
        const auto folder = store.strings.find("Options/Folder");
        EXPECT_EQ(folder == store.strings.end() ? "absent" : folder->second,
                  c.options.empty() ? "absent" : m_dir.string())
            << c.name;
        const auto stored = [&store](const std::string& name, bool text) {
            const std::string key = "Options/" + name;
            if (text) {
                return store.strings.count(key) ? store.strings[key] : std::string("absent");
            }
            return store.ints.count(key) ? std::to_string(store.ints[key]) : std::string("absent");
        };
        EXPECT_EQ(stored("Points", false) + ' ' + stored("Tolerance", true) + ' ' +
                      stored("Split", false) + ' ' + stored("Fit", false) + ' ' +
                      stored("Waypoints", false),
                  c.stored)
            << c.name;
    }
}

// What the dialog shows during a run: Describe, then whether Input File, -R, About and Help
// take clicks.
std::string DuringARun(const ParseDlgModel& model) {
    std::string line = Describe(model);
    for (const int id : {IDC_INPUT_FILE, IDC_RADIO_R, IDC_ABOUT, IDC_HELP_TEXT}) {
        line += model.State(id).enabled ? " +" : " -";
    }
    return line;
}

// A run that hangs is ended by the Run button, which reads Stop meanwhile, or by closing the
// dialog: korvix asked to end, or forced kStopGrace later when it does not hear that; gone within
// 5 s either way, and the box says that the output is as it was.
TEST_F(DialogModel, StopOrClosingEndsARunThatHangs) {
    fs::copy_file(FAKE_KORVIX_PATH, m_dir / ConverterFileName());
    const std::string log = Path("converter.log");
    const struct {
        const char* name;
        bool close; // else Stop; and then the stand-in does not hear the request
    } cases[] = {{"Stop, and korvix ends", false}, {"closing, korvix deaf to it", true}};
    for (const auto& c : cases) {
        MemoryStore store;
        LauncherSettings settings(store);
        ParseDlgModel model(settings);
        ASSERT_EQ(model.Start(Path("runkorvix")), std::nullopt) << c.name;
        model.ChooseInput(Path("ride.gdb"));
        std::ofstream(Path("out.gdb")) << "old";
        model.ChooseOutput(Path("out.gdb"));
        fs::remove(log);
        Converter("W 71\n", 1, "0", 20000, c.close ? "ignore" : "log");
        SetEnv("RUNKORVIX_TEST_LOG", log);
        std::string during;
        bool ended = false;
        // From the stop on: the stand-in's start is not what is timed, and takes its time on a
        // loaded machine.
        auto started = std::chrono::steady_clock::now();
        const Feedback feedback = model.Run([&] {
            while (model.Pump()) {
                // Once the stand-in has logged its start: what the dialog shows, and the event.
                if (!ended && !LogLines(log).empty()) {
                    during = DuringARun(model);
                    started = std::chrono::steady_clock::now();
                    ended = c.close ? !model.Close() : model.Stop();
                    EXPECT_TRUE(model.Stop()) << c.name << ": stopping already";
                }
            }
        });
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_TRUE(ended) << c.name;
        EXPECT_EQ(during,
                  "2 output- run+[Stop] other- in+[ride.gdb] out+[out.gdb] points- n-[250] "
                  "tol- m-[10] split- fit- k-[998] note[-T finds no route in ride.gdb; -V or -W "
                  "convert its 1 track] onote[out.gdb exists: Run replaces it] wnote[new "
                  "waypoints\n(1000 with the file's own 2)] - - + +")
            << c.name;
        EXPECT_TRUE(feedback.icon == FeedbackIcon::Information && feedback.text == kStoppedText)
            << c.name << ": " << feedback.text;
        EXPECT_TRUE(took < std::chrono::seconds(5) && (!c.close || took >= kStopGrace)) << c.name;
        EXPECT_EQ(LogLines(log).back() == "stopped", !c.close) << c.name;
        EXPECT_EQ(FileText(Path("out.gdb")), "old") << c.name;
        // Afterwards the dialog is as before; closing it now ends it at once.
        EXPECT_EQ(model.Leaving(), c.close) << c.name;
        EXPECT_TRUE(!model.Stop() && model.Close()) << c.name;
        EXPECT_EQ(
            Describe(model),
            "2 output+ run+ other- in+[ride.gdb] out+[out.gdb] points+ n-[250] tol+ m-[10] "
            "split- fit- k-[998] note[-T finds no route in ride.gdb; -V or -W convert its 1 "
            "track] onote[out.gdb exists: Run replaces it] wnote[new waypoints\n(1000 with the "
            "file's own 2)]")
            << c.name;
    }
}

// A double click on Run is a run: its second click, within the system's double-click time of the
// first, stops nothing. A run of more than kProgressDelay shows its progress, korvix's trace
// against the input's size, where the output's line stands; after it the line is back.
TEST_F(DialogModel, ADoubleClickOnRunRunsAndALongRunShowsItsProgress) {
    fs::copy_file(FAKE_KORVIX_PATH, m_dir / ConverterFileName());
    const std::string log = Path("converter.log");
    MemoryStore store;
    LauncherSettings settings(store);
    ParseDlgModel model(settings);
    ASSERT_EQ(model.Start(Path("runkorvix")), std::nullopt);
    model.ChooseInput(Path("ride.gdb"));
    model.ChooseOutput(Path("out.gdb"));
    Converter("W 71\n", 1, "0", 600, "log");
    SetEnv("RUNKORVIX_TEST_LOG", log);
    const auto size = static_cast<int>(fs::file_size(Path("ride.gdb")));
    std::vector<std::string> seen; // progress: shown, value; the output's line shown
    const auto note = [&model] {
        const ControlState& bar = model.State(IDC_PROGRESS);
        return std::to_string(bar.shown) + ' ' + std::to_string(bar.value) + ' ' +
               std::to_string(model.State(IDC_OUTPUT_NOTE).shown);
    };
    const Feedback feedback = model.Run([&] {
        EXPECT_TRUE(model.Stop(std::chrono::hours(1))) << "the second click is taken";
        model.Pump();
        seen.push_back(note());
        // Later than the delay: shown, once korvix's trace line has come.
        while (model.Pump(std::chrono::steady_clock::now() + kProgressDelay)) {
            if (seen.size() == 1 && model.State(IDC_PROGRESS).value > 0) {
                seen.push_back(note());
            }
        }
    });
    seen.push_back(note());
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "0 0 1", "1 " + std::to_string(76 * 1000 / size) + " 0", "0 0 1"}));
    EXPECT_NE(LogLines(log).back(), "stopped");
    EXPECT_NE(feedback.text, kStoppedText);
    // After the run a click on Run is no Stop.
    EXPECT_FALSE(model.Stop(std::chrono::hours(1))) << "no run";
}

// A close that comes while the box after a run is made (the dialog takes its events then) is
// kept: the dialog ends after the box, and the run, ended already, is not called stopped.
TEST_F(DialogModel, ACloseAtTheEndOfARunIsKept) {
    fs::copy_file(FAKE_KORVIX_PATH, m_dir / ConverterFileName());
    MemoryStore store;
    LauncherSettings settings(store);
    ParseDlgModel model(settings);
    ASSERT_EQ(model.Start(Path("runkorvix")), std::nullopt);
    model.ChooseInput(Path("ride.gdb"));
    model.ChooseOutput(Path("out.gdb"));
    Converter("W 71\n", 1, "0");
    bool closed = true;
    const Feedback feedback = model.Run(
        [&model] {
            while (model.Pump()) {
            }
        },
        [&] { closed = model.Close(); });
    EXPECT_FALSE(closed) << "not yet: after the box";
    EXPECT_TRUE(model.Leaving());
    EXPECT_NE(feedback.text, kStoppedText);
    EXPECT_TRUE(model.Close()) << "now";
}

#if defined(KORVIX_PATH) && !defined(_WIN32)
// A file whose name is no UTF-8 (any bytes but '/' and the zero byte name a file on POSIX systems)
// through the dialog's core to the real korvix and back: named on the command line, it is the
// input, its path shown as its bytes, and read for the line under it as a copy of a plain name
// is; the output chosen so is what korvix writes, under that name and no other, and what the
// box after the run names and counts. Each name beside a control of UTF-8, and one in a folder
// whose name is no UTF-8 either.
TEST_F(DialogModel, AnyNameTheSystemTakesThroughTheCoreToKorvixAndBack) {
    const fs::path bin = fs::path(KORVIX_PATH).parent_path();
    const std::string ride = gdbtest::DeviceNamedGdb(0, {2}); // a track of 2 positions
    std::ofstream(m_dir / "plain.gdb", std::ios::binary) << ride;
    const std::string plainNote =
        InputContentsText(korvix::read_file_contents((m_dir / "plain.gdb").string()));
    const struct {
        const char* name;
        std::string folder, input, output;
    } cases[] = {
        {"UTF-8", "maps", "Z\xC3\xBCrich.gdb", "Z\xC3\xBCrich route.gdb"},
        {"a lone byte", "maps", "\xFF ride.gdb", "\xFE route.gdb"},
        {"Latin-1, an output without a '.'", "maps", "caf\xE9.gdb", "caf\xE9 route"},
        {"a cut sequence, an overlong '/'", "maps", "\xE2\x82 \xC0\xAF.gdb", "x\xC0\xAF y.gdb"},
        {"in a folder of Latin-1", "cart\xE9s", "ride.gdb", "ride route.gdb"},
    };
    for (const auto& c : cases) {
        const fs::path folder = m_dir / c.folder;
        fs::remove_all(folder);
        fs::create_directories(folder);
        const std::string input = (folder / c.input).native();
        const std::string output = (folder / c.output).native();
        std::ofstream(input, std::ios::binary) << ride;
        MemoryStore store;
        LauncherSettings settings(store);
        ParseDlgModel model(settings);
        ASSERT_EQ(model.Start((bin / "runkorvix").native(), {input}), std::nullopt) << c.name;
        EXPECT_EQ(model.State(IDC_INPUT_PATH).text, input) << c.name;
        model.Click(IDC_RADIO_V);
        EXPECT_EQ(model.State(IDC_INPUT_NOTE).text, plainNote) << c.name;
        ASSERT_TRUE(model.ChooseOutput(output)) << c.name;
        EXPECT_EQ(model.State(IDC_OUTPUT_PATH).text, output) << c.name;
        const Feedback feedback = model.Run([&model] {
            while (model.Pump()) {
            }
        });
        EXPECT_EQ(feedback.icon, FeedbackIcon::Information) << c.name;
        EXPECT_EQ(feedback.text, "1 track became a route in " + c.output +
                                     ", through 2 new waypoints.\n\n" + c.output +
                                     " is in the folder " + folder.native() + '.')
            << c.name;
        EXPECT_EQ(feedback.folder, folder.native()) << c.name;
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().native());
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{std::min(c.input, c.output),
                                                   std::max(c.input, c.output)}))
            << c.name;
        EXPECT_EQ(model.State(IDC_OUTPUT_NOTE).text, c.output + " exists: Run replaces it")
            << c.name;
    }
}
#endif

// The values the dialog passes on, read by korvix's own parsers (core_agreement_test.cpp runs
// korvix on them).
TEST(RouteLimits, TypedValuesAsKorvixReadsThem) {
    // Too large for a double, and too small to be told from 0.
    const std::string huge(400, '9');
    const std::string tiny = "0." + std::string(400, '0') + "1";
    const struct {
        std::string text;
        std::optional<int> points;
        std::optional<std::string> tolerance;
    } cases[] = {
        {"250", 250, "250"},
        {" 2 ", 2, "2"},
        {"10000", 10000, "10000"},
        {"00010", 10, "00010"},
        {"1", std::nullopt, "1"},
        {"10001", std::nullopt, "10001"},
        {"000010", 10, "000010"},
        {"2.5", std::nullopt, "2.5"},
        {".5", std::nullopt, ".5"},
        {"5.", std::nullopt, "5."},
        {"0", std::nullopt, std::nullopt},
        {"0.0", std::nullopt, std::nullopt},
        {".", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"2,5", std::nullopt, std::nullopt},
        {"-3", std::nullopt, std::nullopt},
        {"+3", std::nullopt, std::nullopt},
        {"1e3", std::nullopt, std::nullopt},
        {"2.5.1", std::nullopt, std::nullopt},
        {"1 0", std::nullopt, std::nullopt},
        {tiny, std::nullopt, std::nullopt},
        {huge, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParsePointLimit(c.text), c.points) << '"' << c.text << '"';
        EXPECT_EQ(ParseTolerance(c.text), c.tolerance) << '"' << c.text << '"';
    }
}

const std::string kNoFiles = " output- run- other- in+ out+";

TEST_F(DialogModel, ControlStatesAfterEachEvent) {
    const struct {
        const char* name;
        std::map<std::string, int> ints;
        std::map<std::string, std::string> strings;
        std::vector<Event> events;
        std::string states; // after the last event
    } cases[] = {
        {"first start",
         {},
         {},
         {},
         "2" + kNoFiles + " points+ n-[250] tol+ m-[10] split- fit- k-[999]"},
        {"stored free option",
         {{"Radio", 6}},
         {{"Other", "-u"}},
         {},
         "6 output- run- other+[-u] in+ out+ points- n-[250] tol- m-[10] split- fit- k-[999]"},
        {"a stored index past the buttons",
         {{"Radio", 7}},
         {},
         {},
         "2" + kNoFiles + " points+ n-[250] tol+ m-[10] split- fit- k-[999]"},
        {"an input enables Output File",
         {},
         {},
         {{Event::Input, 0, "in.gdb"}},
         std::string("2 output+ run- other- in+[in.gdb] out+") +
             " points+ n-[250] tol+ m-[10] split- fit- k-[999]" + " note[Not a GDB file.]"},
        {"what a GDB input holds",
         {},
         {},
         {{Event::Input, 0, "ride.gdb"}},
         std::string("2 output+ run- other- in+[ride.gdb] out+") +
             " points+ n-[250] tol+ m-[10] split- fit- k-[998]" +
             " note[-T finds no route in ride.gdb; -V or -W convert its 1 track]"
             " wnote[new waypoints\n(1000 with the file's own 2)]"},
        {"a folder is no input",
         {},
         {},
         {{Event::Input, 0, "ride.gdb"}, {Event::Input, 0, "folder.gdb"}},
         std::string("2 output+ run- other- in+[ride.gdb] out+") +
             " points+ n-[250] tol+ m-[10] split- fit- k-[998]" +
             " note[-T finds no route in ride.gdb; -V or -W convert its 1 track]"
             " wnote[new waypoints\n(1000 with the file's own 2)]"},
        {"two files dropped: one at a time, until the next choice",
         {{"Radio", 4}},
         {},
         {{Event::Input, 0, "ride.gdb"}, {Event::Drop, 0, "in.gdb|ride.gdb"}},
         "4 output+ run- other- in+[ride.gdb] out+ points+ n-[250] tol+ m-[10] split- fit+ "
         "k-[998] note[Drop one file at a time.] wnote[new waypoints\n(1000 with the file's own "
         "2)]"},
        {"one file dropped is the input",
         {{"Radio", 4}},
         {},
         {{Event::Drop, 0, "in.gdb|ride.gdb"}, {Event::Drop, 0, "ride.gdb"}},
         "4 output+ run- other- in+[ride.gdb] out+ points+ n-[250] tol+ m-[10] split- fit+ "
         "k-[998] note[2 waypoints, 1 track of 1 point, no routes; 998 names left for new "
         "waypoints] wnote[new waypoints\n(1000 with the file's own 2)]"},
        {"a missing input or a cancelled choice changes nothing",
         {},
         {},
         {{Event::Input, 0, "missing.gdb"}, {Event::Input, 0, ""}, {Event::Output, 0, ""}},
         "2" + kNoFiles + " points+ n-[250] tol+ m-[10] split- fit- k-[999]"},
        {"an output enables Run; a cancelled choice keeps it",
         {},
         {},
         {{Event::Input, 0, "in.gdb"}, {Event::Output, 0, "out.gdb"}, {Event::Output, 0, ""}},
         std::string("2 output+ run+ other- in+[in.gdb] out+[out.gdb]") +
             " points+ n-[250] tol+ m-[10] split- fit- k-[999]" + " note[Not a GDB file.]"},
        {"the free option field takes text while its option is selected",
         {},
         {},
         {{Event::Click, IDC_RADIO_OTHER}, {Event::Text, IDC_OTHER, "-V x"}},
         "6 output- run- other+[-V x] in+ out+ points- n-[250] tol- m-[10] split- fit- k-[999]"},
        {"and keeps it, disabled, under another option",
         {},
         {},
         {{Event::Click, IDC_RADIO_OTHER},
          {Event::Text, IDC_OTHER, "-w"},
          {Event::Click, IDC_RADIO_W}},
         std::string("5 output- run- other-[-w] in+ out+") +
             " points+ n-[250] tol+ m-[10] split- fit+ k-[999]"},
        {"a click on a push button selects nothing",
         {{"Radio", 4}},
         {},
         {{Event::Click, IDC_RUN}, {Event::Click, IDC_ABOUT}},
         "4" + kNoFiles + " points+ n-[250] tol+ m-[10] split- fit+ k-[999]"},
        // The limits: their fields and the split follow their check boxes.
        {"the point limit enables its field and the split",
         {},
         {},
         {{Event::Click, IDC_LIMIT_POINTS}, {Event::Text, IDC_POINTS, "40"}},
         "2" + kNoFiles + " points+x n+[40] tol+ m-[10] split+ fit- k-[999]"},
        {"the tolerance enables its field alone",
         {{"Radio", 5}},
         {},
         {{Event::Click, IDC_LIMIT_TOLERANCE}},
         "5" + kNoFiles + " points+ n-[250] tol+x m+[10] split- fit+ k-[999]"},
        {"cleared again, the split keeps its mark, disabled",
         {},
         {},
         {{Event::Click, IDC_LIMIT_POINTS},
          {Event::Click, IDC_SPLIT},
          {Event::Click, IDC_LIMIT_POINTS}},
         "2" + kNoFiles + " points+ n-[250] tol+ m-[10] split-x fit- k-[999]"},
        {"no click reaches a disabled control",
         {},
         {},
         {{Event::Click, IDC_SPLIT}, {Event::Click, IDC_RADIO_S}, {Event::Click, IDC_LIMIT_POINTS}},
         "1" + kNoFiles + " points- n-[250] tol- m-[10] split- fit- k-[999]"},
        {"stored limits, checked and filled in",
         {{"Radio", 4}, {"Points", 120}, {"Split", 1}},
         {{"Tolerance", "2.5"}},
         {},
         "4" + kNoFiles + " points+x n+[120] tol+x m+[2.5] split+x fit+ k-[999]"},
        {"-R, -S and the free option disable the limits, which keep their values",
         {{"Radio", 4}, {"Points", 120}, {"Split", 1}},
         {{"Tolerance", "2.5"}},
         {{Event::Click, IDC_RADIO_R}},
         "0" + kNoFiles + " points-x n-[120] tol-x m-[2.5] split-x fit- k-[999]"},
        // The fit: -V and -W only; it takes the tolerance's place, and its field shows the names
        // that the input leaves until a number is typed or stored.
        {"the fit checked under -V: its field, no tolerance",
         {{"Radio", 4}},
         {},
         {{Event::Input, 0, "ride.gdb"},
          {Event::Click, IDC_LIMIT_TOLERANCE},
          {Event::Click, IDC_FIT}},
         "4 output+ run- other- in+[ride.gdb] out+ points+ n-[250] tol-x m-[10] split- fit+x "
         "k+[998] note[2 waypoints, 1 track of 1 point, no routes; 998 names left for new "
         "waypoints] wnote[new waypoints\n(1000 with the file's own 2)]"},
        {"a stored fit under -T: disabled, checked",
         {{"Fit", 1}},
         {},
         {},
         "2" + kNoFiles + " points+ n-[250] tol+ m-[10] split- fit-x k-[999]"},
        {"a number typed stays when the input changes",
         {{"Radio", 5}, {"Fit", 1}},
         {},
         {{Event::Text, IDC_WAYPOINTS, "300"}, {Event::Input, 0, "ride.gdb"}},
         "5 output+ run- other- in+[ride.gdb] out+ points+ n-[250] tol- m-[10] split- fit+x "
         "k+[300] note[2 waypoints, 1 track of 1 point, no routes; 998 names left for new "
         "waypoints] wnote[new waypoints\n(302 with the file's own 2)]"},
        {"a number stored too",
         {{"Radio", 5}, {"Waypoints", 500}},
         {},
         {},
         "5" + kNoFiles + " points+ n-[250] tol+ m-[10] split- fit+ k-[500]"},
        {"a stored number out of range is none",
         {{"Radio", 5}, {"Waypoints", 1000}},
         {},
         {},
         "5" + kNoFiles + " points+ n-[250] tol+ m-[10] split- fit+ k-[999]"},
        {"stored values out of range are no limits, a split without points none",
         {{"Points", 10001}, {"Split", 1}},
         {{"Tolerance", "-3"}},
         {},
         "2" + kNoFiles + " points+ n-[250] tol+ m-[10] split- fit- k-[999]"},
    };
    for (const auto& c : cases) {
        MemoryStore store;
        Store(store, c.ints, c.strings);
        LauncherSettings settings(store);
        ParseDlgModel model(settings);
        EXPECT_EQ(model.Start(Path("runkorvix")), MissingConverterText()) << c.name;
        for (const Event& event : c.events) {
            Apply(model, event);
        }
        EXPECT_EQ(Describe(model), c.states) << c.name;
        EXPECT_TRUE(store.ints.size() == c.ints.size() && store.strings.size() == c.strings.size())
            << c.name << ": only Run stores";
    }
}

// Tab and Shift+Tab go round the enabled tab stops in template order, the option group entered at
// its selected button; the arrows there select, as clicks do. -1: the key is the control's own.
TEST_F(DialogModel, KeysMoveTheFocusAndTheArrowsSelect) {
    using enum DialogKey;
    const std::vector<Event> files = {{Event::Input, 0, "ride.gdb"}, {Event::Output, 0, "out.gdb"}};
    const struct {
        const char* name;
        std::map<std::string, int> ints;
        std::vector<Event> events;
        int from;
        int option; // selected at the end
        std::vector<DialogKey> keys;
        std::vector<int> focus; // after each key
    } cases[] = {
        {"a Tab walk round the dialog, -T standing for its group",
         {},
         files,
         IDC_INPUT_FILE,
         2,
         {Tab, Tab, Tab, Tab, Tab, Tab, Tab, Tab, Tab, Tab},
         {IDC_OUTPUT_FILE, IDC_RADIO_T, IDC_RUN, IDC_INPUT_PATH, IDC_OUTPUT_PATH, IDC_ABOUT,
          IDC_HELP_TEXT, IDC_LIMIT_POINTS, IDC_LIMIT_TOLERANCE, IDC_INPUT_FILE}},
        {"down to -V, then on to the point limit and the fit",
         {},
         files,
         IDC_RADIO_T,
         4,
         {Down, Right, Tab, Tab, Tab, Tab, Tab, Tab, Tab, Tab},
         {IDC_RADIO_U, IDC_RADIO_V, IDC_RUN, IDC_INPUT_PATH, IDC_OUTPUT_PATH, IDC_ABOUT,
          IDC_HELP_TEXT, IDC_LIMIT_POINTS, IDC_LIMIT_TOLERANCE, IDC_FIT}},
        {"the point limit checked: its field and the split are stops",
         {{"Radio", 4}, {"Points", 250}},
         files,
         IDC_LIMIT_POINTS,
         4,
         {Tab, Tab, Tab, BackTab},
         {IDC_POINTS, IDC_LIMIT_TOLERANCE, IDC_SPLIT, IDC_LIMIT_TOLERANCE}},
        {"up from -R wraps to the free option, whose field is then a stop",
         {{"Radio", 0}},
         {},
         IDC_RADIO_R,
         6,
         {Up, Tab, Left},
         {IDC_RADIO_OTHER, IDC_OTHER, -1}},
        {"Shift+Tab from the first stop goes round to the last; without files Run is none",
         {},
         {},
         IDC_INPUT_FILE,
         2,
         {BackTab, BackTab, Tab},
         {IDC_LIMIT_TOLERANCE, IDC_LIMIT_POINTS, IDC_LIMIT_TOLERANCE}},
        {"an arrow in a field or on a push button is the control's own",
         {{"Radio", 4}},
         {},
         IDC_HELP_TEXT,
         4,
         {Down, Up},
         {-1, -1}},
    };
    for (const auto& c : cases) {
        MemoryStore store;
        Store(store, c.ints, {});
        LauncherSettings settings(store);
        ParseDlgModel model(settings);
        model.Start(Path("runkorvix"));
        for (const Event& event : c.events) {
            Apply(model, event);
        }
        int focused = c.from;
        std::vector<int> focus;
        for (const DialogKey key : c.keys) {
            const std::optional<int> to = model.Key(focused, key);
            focus.push_back(to.value_or(-1));
            focused = to.value_or(focused);
        }
        EXPECT_EQ(focus, c.focus) << c.name;
        EXPECT_TRUE(
            model.State(ParseDlgModel::kOptionIds[static_cast<std::size_t>(c.option)]).checked)
            << c.name;
    }
}

// Enter outside a push button stores the choices as Run does; in a field of the limits it keeps
// the dialog, elsewhere it ends it. A value out of range is refused and nothing is stored.
TEST_F(DialogModel, EnterStoresTheChoicesFirst) {
    const struct {
        const char* name;
        std::vector<Event> events;
        int focused;
        bool ends;
        std::string refused;
        std::string stored; // "Radio Other Points Waypoints"
    } cases[] = {
        {"300 typed in the point limit",
         {{Event::Click, IDC_RADIO_V},
          {Event::Click, IDC_LIMIT_POINTS},
          {Event::Text, IDC_POINTS, "300"}},
         IDC_POINTS,
         false,
         "",
         "4 absent 300 0"},
        {"500 in the fit's field",
         {{Event::Click, IDC_RADIO_W},
          {Event::Click, IDC_FIT},
          {Event::Text, IDC_WAYPOINTS, "500"}},
         IDC_WAYPOINTS,
         false,
         "",
         "5 absent 0 500"},
        {"a tolerance of 2.5",
         {{Event::Click, IDC_LIMIT_TOLERANCE}, {Event::Text, IDC_TOLERANCE, "2.5"}},
         IDC_TOLERANCE,
         false,
         "",
         "2 absent 0 0"},
        {"the free option's text, which Enter there ends the dialog with",
         {{Event::Click, IDC_RADIO_OTHER}, {Event::Text, IDC_OTHER, "-u"}},
         IDC_OTHER,
         true,
         "",
         "6 -u absent absent"},
        {"one point refused",
         {{Event::Click, IDC_LIMIT_POINTS}, {Event::Text, IDC_POINTS, "1"}},
         IDC_POINTS,
         false,
         kBadPointLimitText,
         "absent absent absent absent"},
    };
    for (const auto& c : cases) {
        MemoryStore store;
        LauncherSettings settings(store);
        ParseDlgModel model(settings);
        model.Start(Path("runkorvix"));
        for (const Event& event : c.events) {
            Apply(model, event);
        }
        EXPECT_EQ(model.Confirm().value_or(""), c.refused) << c.name;
        const auto stored = [&store](const std::string& name, bool text) {
            const std::string key = "Options/" + name;
            if (text) {
                return store.strings.count(key) ? store.strings[key] : std::string("absent");
            }
            return store.ints.count(key) ? std::to_string(store.ints[key]) : std::string("absent");
        };
        EXPECT_EQ(stored("Radio", false) + ' ' + stored("Other", true) + ' ' +
                      stored("Points", false) + ' ' + stored("Waypoints", false),
                  c.stored)
            << c.name;
        EXPECT_EQ(ParseDlgModel::EnterEnds(c.focused), c.ends && c.refused.empty()) << c.name;
    }
}

// What a screen reader announces: an option with its description, a path field by its file.
TEST(DialogModelTable, AccessibleNames) {
    const struct {
        int id;
        const char* name;
    } cases[] = {
        {IDC_RADIO_V, "-V, Convert tracks to route with user vias."},
        {IDC_RADIO_T, "-T, Convert routes to track with all points (default)."},
        {IDC_RADIO_OTHER, "Other command line option."},
        {IDC_INPUT_PATH, "Input file"},
        {IDC_OUTPUT_PATH, "Output file"},
        {IDC_RUN, ""}, // its caption
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseDlgModel::AccessibleName(c.id), c.name) << c.id;
    }
}

TEST(DialogModelTable, EachOptionIsDescribedByItsOwnLabel) {
    const char* descriptions[] = {"Convert routes to route with user vias.",
                                  "Convert routes to route with hidden vias.",
                                  "Convert routes to track with all points (default).",
                                  "Convert routes to track with via points only.",
                                  "Convert tracks to route with user vias.",
                                  "Convert tracks to route with hidden vias.",
                                  "Other command line option."};
    for (std::size_t index = 0; index < ParseDlgModel::kOptionIds.size(); ++index) {
        const int label = ParseDlgModel::kDescriptions[index];
        ASSERT_NE(label, kNoControl) << index;
        EXPECT_STREQ(kParseDlgControls[label].caption, descriptions[index]) << index;
    }
}

} // namespace
