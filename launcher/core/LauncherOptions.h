#pragma once

#include <array>
#include <string>
#include <string_view>

// What every launcher dialog shares: its names, the option table, the settings' names and
// defaults, and the texts of its messages.
namespace runkorvix {

// Title of every message box, and the name under which the settings are kept.
inline constexpr char kCompany[] = "Vantory";
inline constexpr char kApplication[] = "runkorvix";

// The settings: section "Options", values "Radio" (index of the selected option button),
// "Other" (the free option text), and the limits of -T to -W: "Points" (0: no limit),
// "Tolerance" (metres as text, empty: none) and "Split" (0 or 1), the fit of -V and -W, "Fit"
// (0 or 1) and "Waypoints" (1 to 999 as typed; 0: the names that the file leaves), and "Folder",
// where the file choosers open: the folder of the last file chosen.
inline constexpr char kSettingsSection[] = "Options";
inline constexpr char kRadioEntry[] = "Radio";
inline constexpr char kOtherEntry[] = "Other";
inline constexpr char kPointsEntry[] = "Points";
inline constexpr char kToleranceEntry[] = "Tolerance";
inline constexpr char kSplitEntry[] = "Split";
inline constexpr char kFitEntry[] = "Fit";
inline constexpr char kWaypointsEntry[] = "Waypoints";
inline constexpr char kFolderEntry[] = "Folder";
inline constexpr int kDefaultRadio = 2; // -T

// The option buttons by index: 0 to 5 select a fixed option text, 6 the free option field.
inline constexpr std::array<std::string_view, 6> kFixedOptions = {"-R", "-S", "-T",
                                                                  "-U", "-V", "-W"};
inline constexpr int kOtherIndex = 6;
inline constexpr int kOptionCount = 7;

// The file choosers' filters, the first one chosen at first, and the extension that the save
// chooser adds to a name without one.
struct FileFilter {
    std::string_view name;
    std::string_view pattern; // "*.*" matches every name, with a dot or without; ';' between two
};
using FileFilters = std::array<FileFilter, 3>;
// The open chooser shows every file that korvix reads first; the save chooser the files of the
// output's format, which is the input's (korvix writes a GPX file from a GPX file), and adds that
// format's extension: a chooser adds the first extension of the filter chosen where the user types
// none.
inline constexpr FileFilters kOpenFilters = {{
    {"GPS files (*.gdb *.gpx)", "*.gdb;*.gpx"},
    {"Mapsource GDB Files (*.gdb)", "*.gdb"},
    {"All Files (*.*)", "*.*"},
}};
inline constexpr FileFilters kSaveGdbFilters = {{
    {"Mapsource GDB Files (*.gdb)", "*.gdb"},
    {"GPS files (*.gdb *.gpx)", "*.gdb;*.gpx"},
    {"All Files (*.*)", "*.*"},
}};
inline constexpr FileFilters kSaveGpxFilters = {{
    {"GPX Files (*.gpx)", "*.gpx"},
    {"GPS files (*.gdb *.gpx)", "*.gpx;*.gdb"},
    {"All Files (*.*)", "*.*"},
}};
inline constexpr char kDefaultExtension[] = "gdb";
inline constexpr char kGpxExtension[] = "gpx";

inline constexpr char kHelpText[] = "1. Select Input File.\n"
                                    "2. Select Output File.\n"
                                    "3. Select the file conversion option.\n"
                                    "4. Click the \"Run Korvix\" button.\n";
inline constexpr char kSameFileText[] = "The output file must not be the input file.";
// The box after a run that the user stopped (the Run button, which reads kStopCaption during a
// run, or closing the dialog), korvix having left the output as it was.
inline constexpr char kStoppedText[] = "The run was stopped; the previous output is unchanged.";
inline constexpr char kStopCaption[] = "Stop";
// The same after a run that was stopped before it had made an output file, where there was none.
inline constexpr char kStoppedNoOutputText[] = "The run was stopped. No output file was made.";
// Under the input, after more than one file was dropped on the dialog.
inline constexpr char kDropOneText[] = "Drop one file at a time.";
// The box after a run that made its output offers to show the output's folder.
inline constexpr char kOpenFolderCaption[] = "Open folder";

// The message shown when the converter does not lie beside the launcher.
std::string MissingConverterText();
// The message for a converter that could not be started: "CreateProcess Error = 0002".
std::string StartErrorText(int error);

} // namespace runkorvix
