#pragma once

#include "DialogControls.h"
#include "Launcher.h"
#include "RouteLimits.h"
#include "RunFeedback.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace runkorvix {

// How long one turn of the wait for the converter may keep a dialog from its events.
inline constexpr std::chrono::milliseconds kPumpSlice(15);

// What a control of the main dialog shows: whether it takes input, whether it is checked (option
// buttons, check boxes) and its text: a field's text, a path field's whole path.
struct ControlState {
    bool enabled = true;
    bool checked = false;
    std::string text;
    bool shown = true; // the progress bar and the line it stands on take turns
    int value = 0;     // the progress bar's, in thousandths
    bool operator==(const ControlState&) const = default;
};

// The keys that move the focus in the main dialog; the others are the focused control's own.
enum class DialogKey { Tab, BackTab, Up, Down, Left, Right };

// How long a run must last before its progress is shown: a short one would only flash it.
inline constexpr std::chrono::milliseconds kProgressDelay(1000);

// The main dialog without its toolkit. Both dialogs, Qt's and the Windows one, pass each event on
// to it (the start, a file chosen, a button clicked, a field's text changed, the run) and then
// show every control as State says. Controls are named by their template ids (resource.h).
class ParseDlgModel {
public:
    // The option buttons by option index, and the template index of each one's description: the
    // label that selects the option when clicked.
    static constexpr std::array<int, kOptionCount> kOptionIds = {OPTION_BUTTON_IDS};
    static constexpr std::array<int, kOptionCount> kDescriptions = [] {
        std::array<int, kOptionCount> labels{};
        for (std::size_t index = 0; index < kOptionIds.size(); ++index) {
            labels[index] = DescriptionOf(kParseDlgControls, kOptionIds[index]);
        }
        return labels;
    }();

    explicit ParseDlgModel(LauncherSettings& settings);

    // The dialog start: the stored choices; Output File and Run wait for their files. Then the
    // converter is looked for beside `modulePath`, the launcher's own executable: when it is
    // missing, the message to show before the dialog ends. Else a file that the launcher's
    // command line `arguments` name (InputFromCommandLine) becomes the input as if chosen.
    std::optional<std::string> Start(const std::string& modulePath,
                                     const std::vector<std::string>& arguments = {});

    // An input file was chosen, or dropped on the dialog: its path is shown, and under it what it
    // holds (korvix's own walk of the file, file_contents.h); the line under the output is checked
    // again. False, and nothing changes, when it does not exist or is a folder (or the choice was
    // cancelled: an empty path), or during a run.
    bool ChooseInput(const std::string& path);
    // An output file was chosen: its path is shown, and under it what Run will do to it
    // (OutputNoteText). The input file itself is refused: the earlier output stays, and the line
    // under it says why. False, and nothing changes, when the choice was cancelled, or during a
    // run.
    bool ChooseOutput(const std::string& path);
    // Where the file choosers open: the folder of the last file chosen, or the stored one.
    const std::string& ChooserFolder() const { return m_launcher.Folder(); }
    // Whether the output is written as a GPX file (korvix writes a file in its input's format):
    // the save chooser then offers GPX files first and adds ".gpx" to a name without an extension.
    bool WritesGpx() const { return m_contents && m_contents->format == korvix::InputFormat::gpx; }
    // The option button or check box `id` was clicked: the option is selected, the check box
    // checked or cleared. False for any other control, and for one that is disabled.
    bool Click(int id);
    // The text of the field `id` changed: the free option field's is the option text while the
    // free option is selected.
    void EditText(int id, const std::string& text);

    // A key pressed with the focus on the control `focused`: the control that takes the focus.
    // Tab and Shift+Tab go round the enabled tab stops in template order, the option buttons
    // entered at the selected one; an arrow on an option button selects the next or previous
    // enabled option, as a click does. Nothing where the key is the control's own (an arrow in a
    // field or on a push button).
    std::optional<int> Key(int focused, DialogKey key);
    // Enter where no push button has the focus: in a field of the limits it confirms the value
    // and the dialog stays (EnterEnds false); anywhere else the dialog ends. Either way the
    // choices are stored first as Run stores them; a value out of range is refused with its
    // message, and then the dialog stays too. During a run nothing is stored.
    std::optional<std::string> Confirm();
    static bool EnterEnds(int focused);
    // The name that a screen reader announces for the control `id`: an option with its
    // description ("-V, Convert tracks to route with user vias."), a path field by its file;
    // empty where the control's own caption names it.
    static std::string AccessibleName(int id);
    // Files dropped on the dialog: one becomes the input as if chosen (ChooseInput); more than
    // one are refused, and the line under the input says to drop one at a time until the next
    // choice.
    bool Drop(const std::vector<std::string>& paths);

    // The Run button. Under an option that takes limits, a checked limit whose value is out of
    // range is refused, naming its field, before anything is stored or run; otherwise
    // Launcher::Run with the limits checked. `wait` runs the dialog's own event loop and calls
    // Pump until it returns false. Running() is true meanwhile: the controls that choose are
    // disabled, Run reads "Stop" (Stop), About and Help work, and closing the dialog stops the
    // run first (Close).
    //
    // `settle` runs once the run has ended and its box is made, while Running() is still true:
    // the dialog takes the events that came meanwhile, so that a close in that time is kept
    // (Close) and not lost behind the box.
    Feedback Run(const std::function<void()>& wait, const std::function<void()>& settle = {});
    bool Running() const { return m_running; }
    // One turn of the wait: at most about two pump slices. False once the run has ended, and
    // when none is under way.
    // The progress bar follows the run, shown once it has lasted kProgressDelay.
    bool Pump(std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());
    // The Run button during a run: korvix is asked to end, and forced to kStopGrace later; the
    // box after the run says that it was stopped. False, and nothing happens, when no run is
    // under way; a run being stopped already goes on being stopped. A press within
    // `doubleClick` (the system's double-click time) of the Run press that started the run is
    // the second click of a double click on Run: it is taken, and the run goes on.
    bool Stop(std::chrono::milliseconds doubleClick = {},
              std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());
    // The dialog is to end (its close box, Escape, Enter outside a push button). True when it may
    // end now. During a run false: the run is stopped, and Leaving() is true from then on, so
    // that the dialog ends once Run has returned and its box has been closed.
    bool Close();
    bool Leaving() const { return m_leaving; }

    // The state of the control `id`; a control that the model does not drive is always enabled.
    const ControlState& State(int id) const;
    const Launcher& Choices() const { return m_launcher; }

private:
    // The limit controls: their check boxes and what their fields hold. The waypoints field
    // shows the names that the input leaves until the user types a number, or one is stored.
    struct LimitFields {
        bool points = false;
        std::string pointsText = kDefaultPoints;
        bool tolerance = false;
        std::string toleranceText = kDefaultTolerance;
        bool split = false;
        bool fit = false;
        std::string waypointsText = std::to_string(kRunNames);
        bool waypointsGiven = false;
    };

    // The limits that the checked fields give, or the message that refuses one.
    std::optional<std::string> TakeLimits();
    // Every control's state from the choices.
    void Refresh();
    // The line under the input: what it holds, or that the chosen option finds nothing in it.
    std::string InputNote() const;
    ControlState& At(int id);

    Launcher m_launcher;
    std::string m_otherText; // the free option field's text, kept while another option is on
    std::string m_inputNote; // what the input holds
    std::string m_dropNote;  // why a drop was refused, until the next choice
    std::optional<korvix::FileContents> m_contents; // of the input, when read
    std::string m_outputNote;                       // what Run will do to the output
    LimitFields m_limits;
    bool m_running = false;
    ConverterRun* m_run = nullptr; // while Run waits for it
    std::chrono::steady_clock::time_point m_runPressed{};
    std::uintmax_t m_inputSize = 0; // the progress bar's whole
    int m_progress = -1;            // thousandths, -1 while not shown
    bool m_leaving = false;
    std::array<ControlState, std::size(kParseDlgControls)> m_states{};
};

} // namespace runkorvix
