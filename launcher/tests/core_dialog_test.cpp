// The main dialog's model: which control is enabled, checked and showing what after each event,
// from stored settings, and what a run of it passes the converter.
#include "ParseDlgModel.h"
#include "TestStore.h"

#include <gtest/gtest.h>

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
    enum Kind { Click, Text, Input, Output } kind;
    int id = 0;
    std::string text = {};
};

// The states that the events change, in one line: the checked option, then each control that
// takes input or shows text: '+' enabled, '-' disabled, its text in brackets.
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
        {IDC_OUTPUT_FILE, "output"}, {IDC_RUN, "run"},         {IDC_OTHER, "other"},
        {IDC_INPUT_PATH, "in"},      {IDC_OUTPUT_PATH, "out"},
    };
    for (const auto& control : shown) {
        const ControlState& state = model.State(control.id);
        line += std::string(" ") + control.name + (state.enabled ? "+" : "-");
        if (!state.text.empty()) {
            line += '[' + fs::path(state.text).filename().string() + ']';
        }
    }
    return line;
}

class DialogModel : public ::testing::Test {
protected:
    DialogModel() {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        std::ofstream(m_dir / "in.gdb") << "GDB";
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
        }
    }

    fs::path m_dir = fs::temp_directory_path() / "runkorvix dialog model";
};

TEST_F(DialogModel, ControlStatesAfterEachEvent) {
    const struct {
        const char* name;
        std::map<std::string, int> ints;
        std::map<std::string, std::string> strings;
        std::vector<Event> events;
        std::string states; // after the last event
    } cases[] = {
        {"first start", {}, {}, {}, "2 output- run- other- in+ out+"},
        {"stored free option",
         {{"Radio", 6}},
         {{"Other", "-u"}},
         {},
         "6 output- run- other+[-u] in+ out+"},
        {"a stored index past the buttons",
         {{"Radio", 7}},
         {},
         {},
         "2 output- run- other- in+ out+"},
        {"an input enables Output File",
         {},
         {},
         {{Event::Input, 0, "in.gdb"}},
         "2 output+ run- other- in+[in.gdb] out+"},
        {"a missing input or a cancelled choice changes nothing",
         {},
         {},
         {{Event::Input, 0, "missing.gdb"}, {Event::Input, 0, ""}, {Event::Output, 0, ""}},
         "2 output- run- other- in+ out+"},
        {"an output enables Run; a cancelled choice keeps it",
         {},
         {},
         {{Event::Input, 0, "in.gdb"}, {Event::Output, 0, "out.gdb"}, {Event::Output, 0, ""}},
         "2 output+ run+ other- in+[in.gdb] out+[out.gdb]"},
        {"the free option field takes text while its option is selected",
         {},
         {},
         {{Event::Click, IDC_RADIO_OTHER}, {Event::Text, IDC_OTHER, "-V x"}},
         "6 output- run- other+[-V x] in+ out+"},
        {"and keeps it, disabled, under another option",
         {},
         {},
         {{Event::Click, IDC_RADIO_OTHER},
          {Event::Text, IDC_OTHER, "-w"},
          {Event::Click, IDC_RADIO_W}},
         "5 output- run- other-[-w] in+ out+"},
        {"a click on a push button selects nothing",
         {{"Radio", 4}},
         {},
         {{Event::Click, IDC_RUN}, {Event::Click, IDC_ABOUT}},
         "4 output- run- other- in+ out+"},
    };
    for (const auto& c : cases) {
        MemoryStore store;
        for (const auto& [entry, value] : c.ints) {
            store.ints["Options/" + entry] = value;
        }
        for (const auto& [entry, value] : c.strings) {
            store.strings["Options/" + entry] = value;
        }
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
