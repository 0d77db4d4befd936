#include "ParseDlgModel.h"

#include <algorithm>

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

} // namespace

ParseDlgModel::ParseDlgModel(LauncherSettings& settings) : m_launcher(settings) {
    Refresh();
}

std::optional<std::string> ParseDlgModel::Start(const std::string& modulePath) {
    m_otherText = m_launcher.Restore();
    Refresh();
    if (!m_launcher.LocateConverter(modulePath)) {
        return MissingConverterText();
    }
    return std::nullopt;
}

bool ParseDlgModel::ChooseInput(const std::string& path) {
    if (!m_launcher.ChooseInput(path)) {
        return false;
    }
    Refresh();
    return true;
}

bool ParseDlgModel::ChooseOutput(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    m_launcher.ChooseOutput(path);
    Refresh();
    return true;
}

bool ParseDlgModel::Click(int id) {
    const int option = OptionOf(id);
    if (option < 0) {
        return false;
    }
    m_launcher.SelectOption(option, m_otherText);
    Refresh();
    return true;
}

void ParseDlgModel::EditText(int id, const std::string& text) {
    if (id == IDC_OTHER) {
        m_otherText = text;
        m_launcher.SetOtherText(text);
    }
    Refresh();
}

Feedback ParseDlgModel::Run(const std::function<void(ConverterRun&)>& wait) {
    m_running = true;
    const Feedback feedback = m_launcher.Run(wait);
    m_running = false;
    return feedback;
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
    // Output File once there is an input, Run once there is an output too.
    At(IDC_OUTPUT_FILE).enabled = !m_launcher.Input().empty();
    At(IDC_RUN).enabled = !m_launcher.Output().empty();
    At(IDC_INPUT_PATH).text = m_launcher.Input();
    At(IDC_OUTPUT_PATH).text = m_launcher.Output();
    for (std::size_t index = 0; index < kOptionIds.size(); ++index) {
        At(kOptionIds[index]).checked = static_cast<int>(index) == m_launcher.Radio();
    }
    // The free option field keeps its text while another option is selected.
    At(IDC_OTHER).enabled = m_launcher.Radio() == kOtherIndex;
    At(IDC_OTHER).text = m_otherText;
}

} // namespace runkorvix
