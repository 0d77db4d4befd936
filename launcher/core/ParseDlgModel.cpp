#include "ParseDlgModel.h"

#include "RunOutcome.h"

#include <algorithm>
#include <filesystem>

namespace runkorvix {

namespace {

// The template index of the control `id`; the template's size for none.
std::size_t IndexOf(int id) {
    const auto found = std::find_if(std::begin(kParseDlgControls), std::end(kParseDlgControls),
                                    [id](const ControlTemplate& c) { return c.id == id; });
    return static_cast<std::size_t>(found - std::begin(kParseDlgControls));
}

// The option index of the option button `id`, or -1.
int OptionOf(int id) {
    const auto& ids = ParseDlgModel::kOptionIds;
    const auto found = std::find(ids.begin(), ids.end(), id);
    return found == ids.end() ? -1 : static_cast<int>(found - ids.begin());
}

// The controls that Tab stops at: the push buttons, check boxes and fields; of the option
// buttons the selected one, which stands for its group.
bool TabStop(const ControlTemplate& control, const ControlState& state) {
    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
    case ControlKind::CheckBox:
    case ControlKind::Edit:
    case ControlKind::ReadOnlyEdit:
        return state.enabled;
    case ControlKind::RadioButton:
        return state.enabled && state.checked;
    default:
        return false;
    }
}

// The names of the controls whose captions do not name them, or lie beside them.
struct NamedControl {
    int id;
    const char* name;
};
constexpr NamedControl kNames[] = {
    {IDC_INPUT_PATH, "Input file"},
    {IDC_OUTPUT_PATH, "Output file"},
    {IDC_OTHER, "Other command line option"},
    {IDC_POINTS, "Point limit, points per route or track"},
    {IDC_TOLERANCE, "Tolerance, metres off the original line"},
    {IDC_WAYPOINTS, "Fit every track into new waypoints"},
    {IDC_PROGRESS, "Progress of the run"},
};

} // namespace

ParseDlgModel::ParseDlgModel(LauncherSettings& settings) : m_launcher(settings) {
    Refresh();
}

std::optional<std::string> ParseDlgModel::Start(const std::string& modulePath,
                                                const std::vector<std::string>& arguments) {
    m_otherText = m_launcher.Restore();
    // A stored limit checks its box and fills its field; the fields of the others show the
    // defaults.
    const RouteLimits& stored = m_launcher.Limits();
    m_limits.points = stored.points != 0;
    if (m_limits.points) {
        m_limits.pointsText = std::to_string(stored.points);
    }
    m_limits.tolerance = !stored.tolerance.empty();
    if (m_limits.tolerance) {
        m_limits.toleranceText = stored.tolerance;
    }
    m_limits.split = stored.split;
    m_limits.fit = stored.fit;
    m_limits.waypointsGiven = stored.waypoints != 0;
    if (m_limits.waypointsGiven) {
        m_limits.waypointsText = std::to_string(stored.waypoints);
    }
    Refresh();
    if (!m_launcher.LocateConverter(modulePath)) {
        return MissingConverterText();
    }
    ChooseInput(InputFromCommandLine(arguments));
    return std::nullopt;
}

bool ParseDlgModel::ChooseInput(const std::string& path) {
    std::error_code error;
    if (m_running || std::filesystem::is_directory(PathFromName(path), error) ||
        !m_launcher.ChooseInput(path)) {
        return false;
    }
    m_contents = korvix::read_file_contents(path);
    m_inputNote = InputContentsText(*m_contents);
    m_dropNote.clear();
    if (!m_limits.waypointsGiven) {
        m_limits.waypointsText = std::to_string(NamesLeft(*m_contents));
    }
    m_outputNote = OutputNoteText(m_launcher.Input(), m_launcher.Output());
    Refresh();
    return true;
}

bool ParseDlgModel::ChooseOutput(const std::string& path) {
    if (m_running || path.empty()) {
        return false;
    }
    // A refused choice leaves the earlier output, which the line says Run still writes to.
    const bool taken = m_launcher.ChooseOutput(path);
    m_outputNote = taken ? OutputNoteText(m_launcher.Input(), m_launcher.Output())
                         : RefusedOutputText(m_launcher.Output());
    Refresh();
    return true;
}

bool ParseDlgModel::Drop(const std::vector<std::string>& paths) {
    if (m_running || paths.empty()) {
        return false;
    }
    if (paths.size() == 1) {
        return ChooseInput(paths.front());
    }
    m_dropNote = kDropOneText;
    Refresh();
    return true;
}

bool ParseDlgModel::Click(int id) {
    const int option = OptionOf(id);
    bool* const box = id == IDC_LIMIT_POINTS      ? &m_limits.points
                      : id == IDC_LIMIT_TOLERANCE ? &m_limits.tolerance
                      : id == IDC_SPLIT           ? &m_limits.split
                      : id == IDC_FIT             ? &m_limits.fit
                                                  : nullptr;
    if ((option < 0 && box == nullptr) || !State(id).enabled) {
        return false;
    }
    if (box != nullptr) {
        *box = !*box;
    } else {
        m_launcher.SelectOption(option, m_otherText);
    }
    Refresh();
    return true;
}

void ParseDlgModel::EditText(int id, const std::string& text) {
    if (id == IDC_OTHER) {
        m_otherText = text;
        m_launcher.SetOtherText(text);
    } else if (id == IDC_POINTS) {
        m_limits.pointsText = text;
    } else if (id == IDC_TOLERANCE) {
        m_limits.toleranceText = text;
    } else if (id == IDC_WAYPOINTS && text != m_limits.waypointsText) {
        // The dialog's own writing of the field comes back as a change of it, too.
        m_limits.waypointsText = text;
        m_limits.waypointsGiven = true;
    }
    Refresh();
}

std::optional<int> ParseDlgModel::Key(int focused, DialogKey key) {
    if (key == DialogKey::Tab || key == DialogKey::BackTab) {
        // From the focused control round the template, forwards or backwards, to the next stop.
        const std::size_t count = std::size(kParseDlgControls);
        const std::size_t from = std::min(IndexOf(focused), count);
        const std::size_t step = key == DialogKey::Tab ? 1 : count - 1;
        std::size_t at = from == count ? (key == DialogKey::Tab ? count - 1 : 0) : from;
        for (std::size_t turn = 0; turn < count; ++turn) {
            at = (at + step) % count;
            const ControlTemplate& control = kParseDlgControls[at];
            if (TabStop(control, m_states[at])) {
                return control.id;
            }
        }
        return std::nullopt;
    }
    const int option = OptionOf(focused);
    if (option < 0) {
        return std::nullopt;
    }
    const int step = key == DialogKey::Down || key == DialogKey::Right ? 1 : kOptionCount - 1;
    for (int turn = 1; turn < kOptionCount; ++turn) {
        const int next = (option + step * turn) % kOptionCount;
        const int id = kOptionIds[static_cast<std::size_t>(next)];
        if (State(id).enabled) {
            Click(id);
            return id;
        }
    }
    return focused;
}

std::optional<std::string> ParseDlgModel::Confirm() {
    if (m_running) {
        return std::nullopt;
    }
    if (TakesLimits(m_launcher.Radio())) {
        if (std::optional<std::string> refused = TakeLimits()) {
            return refused;
        }
    }
    m_launcher.StoreChoice();
    return std::nullopt;
}

bool ParseDlgModel::EnterEnds(int focused) {
    return focused != IDC_POINTS && focused != IDC_TOLERANCE && focused != IDC_WAYPOINTS;
}

std::string ParseDlgModel::AccessibleName(int id) {
    const int option = OptionOf(id);
    if (option >= 0) {
        const auto at = static_cast<std::size_t>(option);
        const std::string caption = kParseDlgControls[IndexOf(id)].caption;
        const std::string description =
            kParseDlgControls[static_cast<std::size_t>(kDescriptions[at])].caption;
        return caption.empty() ? description : caption + ", " + description;
    }
    const auto found = std::find_if(std::begin(kNames), std::end(kNames),
                                    [id](const NamedControl& c) { return c.id == id; });
    return found == std::end(kNames) ? std::string() : found->name;
}

std::optional<std::string> ParseDlgModel::TakeLimits() {
    RouteLimits limits;
    if (m_limits.points) {
        const std::optional<int> points = ParsePointLimit(m_limits.pointsText);
        if (!points) {
            return kBadPointLimitText;
        }
        limits.points = *points;
        limits.split = m_limits.split;
    }
    // Under a fit korvix finds the tolerance; the field is not looked at then.
    const bool fit = m_limits.fit && TakesFit(m_launcher.Radio());
    if (m_limits.tolerance && !fit) {
        std::optional<std::string> tolerance = ParseTolerance(m_limits.toleranceText);
        if (!tolerance) {
            return kBadToleranceText;
        }
        limits.tolerance = std::move(*tolerance);
    } else if (m_limits.tolerance) {
        limits.tolerance = m_launcher.Limits().tolerance; // as stored, kept for the next run
    }
    // The fit is kept as it is for -T and -U, whose runs take none. A number of waypoints only
    // where the user gave one: without, korvix fits into all the names the file leaves.
    limits.fit = m_limits.fit;
    if (fit && m_limits.waypointsGiven) {
        const std::optional<int> waypoints = ParseWaypoints(m_limits.waypointsText);
        if (!waypoints) {
            return kBadWaypointsText;
        }
        limits.waypoints = *waypoints;
    } else if (m_limits.waypointsGiven) {
        limits.waypoints = ParseWaypoints(m_limits.waypointsText).value_or(0);
    }
    m_launcher.SetLimits(limits);
    return std::nullopt;
}

Feedback ParseDlgModel::Run(const std::function<void()>& wait,
                            const std::function<void()>& settle) {
    if (m_running) {
        return {};
    }
    if (TakesLimits(m_launcher.Radio())) {
        if (const std::optional<std::string> refused = TakeLimits()) {
            return {FeedbackIcon::Error, *refused};
        }
    }
    m_running = true;
    m_leaving = false;
    m_runPressed = std::chrono::steady_clock::now();
    std::error_code error;
    m_inputSize = std::filesystem::file_size(PathFromName(m_launcher.Input()), error);
    m_inputSize = error ? 0 : m_inputSize;
    Refresh();
    Feedback feedback = m_launcher.Run([this, &wait](ConverterRun& run) {
        m_run = &run;
        wait();
        m_run = nullptr;
    });
    if (settle) {
        settle();
    }
    m_running = false;
    m_progress = -1;
    m_outputNote = OutputNoteText(m_launcher.Input(), m_launcher.Output());
    Refresh();
    return feedback;
}

bool ParseDlgModel::Pump(std::chrono::steady_clock::time_point now) {
    if (m_run == nullptr || !m_run->Pump(kPumpSlice)) {
        return false;
    }
    // korvix traces every record it reads: their bytes against the input's size.
    if (now - m_runPressed >= kProgressDelay && m_inputSize > 0) {
        const std::uint64_t traced = std::min<std::uint64_t>(m_run->BytesTraced(), m_inputSize);
        const auto progress = static_cast<int>(traced * 1000 / m_inputSize);
        if (progress != m_progress) {
            m_progress = progress;
            Refresh();
        }
    }
    return true;
}

bool ParseDlgModel::Stop(std::chrono::milliseconds doubleClick,
                         std::chrono::steady_clock::time_point now) {
    if (m_run == nullptr) {
        return m_running;
    }
    if (now - m_runPressed >= doubleClick) {
        m_run->Stop();
    }
    return true;
}

bool ParseDlgModel::Close() {
    if (!m_running) {
        return true;
    }
    m_leaving = true;
    Stop();
    return false;
}

const ControlState& ParseDlgModel::State(int id) const {
    static const ControlState kUndriven;
    const std::size_t index = IndexOf(id);
    return index < m_states.size() ? m_states[index] : kUndriven;
}

ControlState& ParseDlgModel::At(int id) {
    return m_states[IndexOf(id)];
}

void ParseDlgModel::Refresh() {
    // Output File once there is an input, Run once there is an output too. During a run nothing
    // is chosen, and Run, which reads Stop, stops it; the template's caption otherwise.
    const bool idle = !m_running;
    At(IDC_INPUT_FILE).enabled = idle;
    At(IDC_OUTPUT_FILE).enabled = idle && !m_launcher.Input().empty();
    At(IDC_RUN) = {m_running || !m_launcher.Output().empty(), false, m_running ? kStopCaption : ""};
    At(IDC_INPUT_PATH).text = m_launcher.Input();
    At(IDC_INPUT_NOTE).text = InputNote();
    At(IDC_OUTPUT_PATH).text = m_launcher.Output();
    // During a run of more than a moment its progress stands where the output's line was.
    At(IDC_OUTPUT_NOTE) = {true, false, m_outputNote, m_progress < 0};
    At(IDC_PROGRESS) = {true, false, {}, m_progress >= 0, std::max(m_progress, 0)};
    for (std::size_t index = 0; index < kOptionIds.size(); ++index) {
        At(kOptionIds[index]) = {idle, static_cast<int>(index) == m_launcher.Radio(), {}};
    }
    // The free option field keeps its text while another option is selected.
    At(IDC_OTHER).enabled = idle && m_launcher.Radio() == kOtherIndex;
    At(IDC_OTHER).text = m_otherText;
    // The limits apply to -T to -W only, the fit to -V and -W; a field takes a value while its
    // box is checked, the split is one of the point limit's, and a fit finds its own tolerance.
    // All keep their values while disabled.
    const bool limits = idle && TakesLimits(m_launcher.Radio());
    const bool fits = idle && TakesFit(m_launcher.Radio());
    const bool tolerance = limits && !(fits && m_limits.fit);
    At(IDC_LIMIT_POINTS) = {limits, m_limits.points, {}};
    At(IDC_POINTS) = {limits && m_limits.points, false, m_limits.pointsText};
    At(IDC_LIMIT_TOLERANCE) = {tolerance, m_limits.tolerance, {}};
    At(IDC_TOLERANCE) = {tolerance && m_limits.tolerance, false, m_limits.toleranceText};
    At(IDC_SPLIT) = {limits && m_limits.points, m_limits.split, {}};
    At(IDC_FIT) = {fits, m_limits.fit, {}};
    At(IDC_WAYPOINTS) = {fits && m_limits.fit, false, m_limits.waypointsText};
    const bool whole = m_contents && m_contents->whole();
    At(IDC_WAYPOINTS_NOTE).text = NewWaypointsText(
        m_limits.waypointsText, whole ? m_contents->waypoints : std::optional<std::uint64_t>());
    // The picture of the last run, until the next.
    At(IDC_SHOW_RUN).enabled = idle && m_launcher.PictureOfRun().has_value();
}

std::string ParseDlgModel::InputNote() const {
    if (!m_dropNote.empty()) {
        return m_dropNote;
    }
    if (!m_contents || !m_contents->whole() || m_launcher.Radio() == kOtherIndex) {
        return m_inputNote;
    }
    const std::string name = NameFromPath(PathFromName(m_launcher.Input()).filename());
    const std::string nothing = FindsNothingText(m_launcher.Option(), *m_contents, name);
    return nothing.empty() ? m_inputNote : nothing;
}

} // namespace runkorvix
