#pragma once

#include "ConverterRun.h"
#include "LauncherOptions.h"
#include "LauncherSettings.h"
#include "RouteLimits.h"
#include "RunFeedback.h"
#include "RunOutcome.h"
#include "RunPicture.h"
#include "platform.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace runkorvix {

// The launcher keeps file names as the system gives them: on POSIX systems as bytes, which are
// UTF-8 as a rule but may be any bytes (a file copied from an old disk, "caf\xE9.gdb"), passed
// to korvix and to the system as they are; on Windows as the UTF-8 of their UTF-16. A dialog
// decodes them for display (where they are not UTF-8, with the replacement character) and never
// turns the displayed text back into a name. These two convert such a name to a path and back
// without a change.
std::filesystem::path PathFromName(const std::string& name);
std::string NameFromPath(const std::filesystem::path& path);

// `path` spelled so that the converter opens exactly the file it names. korvix appends ".gdb"
// to a name that has no '.' anywhere in it; such a path gets "./" (on Windows ".\") before its
// file name, and a "\\?\" path, where Windows would not resolve that ".", becomes the "\\.\"
// path of the file.
std::string ConverterFileArgument(const std::string& path);

// The file that runkorvix's own command line names (Explorer passes a file dropped on the
// program's icon, or opened with it): the first argument that is no switch (begins with no '-'),
// as a full path; empty for none. `arguments` leave out the program's own name.
std::string InputFromCommandLine(const std::vector<std::string>& arguments);

// The converter's arguments for one run: the option text split at its blanks (nothing when it
// is empty), the long options of `limits`, then the input path and the output path, each as one
// argument and spelled by ConverterFileArgument.
std::vector<std::string> ConverterArguments(const std::string& option, const std::string& input,
                                            const std::string& output,
                                            const RouteLimits& limits = {});

// The folder of `path`, where a chooser that chose it opens next.
std::string FolderOf(const std::string& path);

// What Run will do to the output path, for the line under it: "ride-route.gdb exists: Run
// replaces it", "No folder /home/x/trips", that the output must not be the input (kSameFileText:
// one file by its identity, however spelled), that a GPX input's output needs a GPX file's name
// (korvix's own refusal); empty for a new file in a folder that exists, or no output.
std::string OutputNoteText(const std::string& input, const std::string& output);
// The same after the input was chosen as the output: the choice is refused, and Run still writes
// to the earlier output `output`: "... Run still writes to as-track.gdb."
std::string RefusedOutputText(const std::string& output);

// What the launcher's dialog holds apart from its controls: the selected option and its text,
// the chosen files and where the converter lies. A dialog shows this state and calls the
// methods below from its controls' handlers.
class Launcher {
public:
    explicit Launcher(LauncherSettings& settings) : m_settings(settings) {}

    // Dialog start: selects the stored option (the default for a stored index that names no
    // button) and takes the stored limits. Returns the stored free option text, which the free
    // option field shows.
    std::string Restore();

    // Looks for the converter in the folder of `modulePath`, the launcher's own executable.
    bool LocateConverter(const std::string& modulePath);

    // An option button was selected: a fixed one (0 to 5) takes its own text, the free option
    // (6) the text of the free option field.
    void SelectOption(int index, const std::string& fieldText);
    // The text of the free option field changed: it is the option text while the free option
    // is selected.
    void SetOtherText(const std::string& text);
    // An input file was chosen. Returns false, and keeps the earlier choice, when it does not
    // exist. The choosers open in the folder of the last file chosen.
    bool ChooseInput(const std::string& path);
    // An output file was chosen. Returns false, and keeps the earlier choice, when it is the
    // input file.
    bool ChooseOutput(const std::string& path);
    // The limits for the runs of -T to -W.
    void SetLimits(const RouteLimits& limits) { m_limits = limits; }

    // At Run: stores the option choice ("Radio", "Other" for the free option, and the limits for
    // an option that takes them) and the choosers' folder.
    void StoreChoice();

    // The Run button: stores the option choice, refuses an output file that is the input file,
    // starts the converter in its own folder with its output passed on to the launcher's standard
    // output, lets `wait` pump the started run until it has ended (the dialog keeps its window
    // alive meanwhile; a run that `wait` leaves unfinished is stopped), and returns what the user
    // is told: that it was stopped (ConverterRun::Stop), after a clean run of a fixed option
    // what it did (RunSummary), after one of the free option what korvix reduced or cut
    // (ReductionsSummary), and else nothing unless korvix said something (FeedbackIcon::None).
    Feedback Run(const std::function<void(ConverterRun&)>& wait);
    // The last run, when it ended cleanly and made routes or tracks that a picture shows
    // (HasPicture); none before the first and after any other.
    const std::optional<PictureRun>& PictureOfRun() const { return m_pictureRun; }

    int Radio() const { return m_radio; }
    const std::string& Option() const { return m_option; }
    const std::string& Input() const { return m_input; }
    const std::string& Output() const { return m_output; }
    const std::string& ConverterDir() const { return m_converterDir; } // ends in a separator
    const std::string& ConverterPath() const { return m_converterPath; }
    const RouteLimits& Limits() const { return m_limits; }
    // Where the file choosers open: the folder of the last file chosen, or stored; empty for
    // the choosers' own.
    const std::string& Folder() const { return m_folder; }
    // The converter's arguments: the limits only for an option that takes them.
    std::vector<std::string> Arguments() const {
        return ConverterArguments(m_option, m_input, m_output, ActiveLimits());
    }

private:
    // The limits that the chosen option takes: none for -R, -S and the free option, no fit for
    // -T and -U.
    RouteLimits ActiveLimits() const {
        RouteLimits limits = TakesLimits(m_radio) ? m_limits : RouteLimits{};
        limits.fit = limits.fit && TakesFit(m_radio);
        return limits;
    }
    // What the finished run did, for the box after it; empty when there is nothing to sum up.
    std::string Summary(const RunResult& result) const;
    // The input read again after a -V or -W run: the names of the tracks it did not convert, the
    // tracks of a single position, and the names that the file's own waypoints take.
    void ReadTracksAgain(const TrackFates& fates, RunCounts& counts) const;

    LauncherSettings& m_settings;
    int m_radio = kDefaultRadio;
    std::string m_option;
    std::string m_input;
    std::string m_output;
    std::string m_converterDir;
    std::string m_converterPath;
    RouteLimits m_limits;
    std::string m_folder;
    std::optional<PictureRun> m_pictureRun;
};

} // namespace runkorvix
