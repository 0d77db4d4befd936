#include "Launcher.h"

#include "ConverterProcess.h"
#include "LauncherOptions.h"
#include "RunOutcome.h"
#include "file_contents.h"
#include "file_names.h"

#include <algorithm>
#include <cstdio>

namespace runkorvix {

namespace {

// The converter's output goes on to the launcher's own standard output, as it comes.
void EchoOutput(std::string_view output) {
    std::fwrite(output.data(), 1, output.size(), stdout);
}

} // namespace

std::filesystem::path PathFromName(const std::string& name) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
#else
    return std::filesystem::path(name); // the bytes, not taken for UTF-8 or any other encoding
#endif
}

std::string NameFromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
#else
    return path.native();
#endif
}

std::string ConverterFileArgument(const std::string& path) {
    if (path.empty() || !korvix::rules::gets_default_extension(path)) {
        return path;
    }
    const std::filesystem::path name = PathFromName(path);
    // On Windows "\\?\" turns off the parsing that takes a "." out of a path.
    constexpr std::string_view kVerbatim = "\\\\?\\";
    if (std::filesystem::path::preferred_separator == L'\\' && path.starts_with(kVerbatim)) {
        return "\\\\.\\" + path.substr(kVerbatim.size());
    }
    return NameFromPath(name.parent_path() / "." / name.filename());
}

std::string InputFromCommandLine(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (!argument.empty() && argument.front() != '-') {
            // The converter runs in the launcher's folder, not in this process's current one.
            std::error_code error;
            const std::filesystem::path full =
                std::filesystem::absolute(PathFromName(argument), error);
            return error ? argument : NameFromPath(full.lexically_normal());
        }
    }
    return std::string();
}

std::vector<std::string> ConverterArguments(const std::string& option, const std::string& input,
                                            const std::string& output, const RouteLimits& limits) {
    std::vector<std::string> arguments;
    std::size_t start = 0;
    while ((start = option.find_first_not_of(' ', start)) != std::string::npos) {
        const std::size_t end = option.find(' ', start);
        arguments.push_back(option.substr(start, end - start));
        start = end;
    }
    for (std::string& limit : LimitArguments(limits)) {
        arguments.push_back(std::move(limit));
    }
    arguments.push_back(ConverterFileArgument(input));
    arguments.push_back(ConverterFileArgument(output));
    return arguments;
}

std::string MissingConverterText() {
    const std::string converter = ConverterFileName();
    return "Bummer. Could not locate the \"" + converter + "\" application!\n\n" +
           "Be sure that \"" + LauncherFileName() + "\" is in the same directory\n" + "as \"" +
           converter + "\".\n\n" + "Cannot continue.";
}

std::string StartErrorText(int error) {
    char text[48];
    std::snprintf(text, sizeof text, "CreateProcess Error = %04d", error);
    return text;
}

std::string Launcher::Restore() {
    std::string other = m_settings.GetOther();
    m_limits = m_settings.GetLimits();
    m_folder = m_settings.GetFolder();
    m_radio = m_settings.GetRadio();
    if (m_radio < 0 || m_radio >= kOptionCount) {
        m_radio = kDefaultRadio;
    }
    SelectOption(m_radio, other);
    return other;
}

bool Launcher::LocateConverter(const std::string& modulePath) {
    std::error_code error;
    std::filesystem::path dir = std::filesystem::absolute(PathFromName(modulePath), error);
    dir = dir.lexically_normal().parent_path().make_preferred();
    m_converterDir = NameFromPath(dir);
    if (m_converterDir.empty() ||
        m_converterDir.back() != static_cast<char>(std::filesystem::path::preferred_separator)) {
        m_converterDir += static_cast<char>(std::filesystem::path::preferred_separator);
    }
    m_converterPath = m_converterDir + ConverterFileName();
    return std::filesystem::exists(PathFromName(m_converterPath), error);
}

void Launcher::SelectOption(int index, const std::string& fieldText) {
    m_radio = index;
    m_option = index == kOtherIndex ? fieldText
                                    : std::string(kFixedOptions[static_cast<std::size_t>(index)]);
}

void Launcher::SetOtherText(const std::string& text) {
    if (m_radio == kOtherIndex) {
        m_option = text;
    }
}

bool Launcher::ChooseInput(const std::string& path) {
    std::error_code error;
    if (path.empty() || !std::filesystem::exists(PathFromName(path), error)) {
        return false;
    }
    m_input = path;
    m_folder = FolderOf(path);
    return true;
}

bool Launcher::ChooseOutput(const std::string& path) {
    if (korvix::names_same_file(m_input, path)) {
        return false;
    }
    m_output = path;
    m_folder = FolderOf(path);
    return true;
}

std::string FolderOf(const std::string& path) {
    return NameFromPath(PathFromName(path).parent_path());
}

std::string OutputNoteText(const std::string& input, const std::string& output) {
    if (output.empty()) {
        return std::string();
    }
    if (!input.empty() && korvix::names_same_file(input, output)) {
        return kSameFileText;
    }
    // korvix refuses it: a GPX file is written from a GPX file, under a GPX file's name.
    if (!input.empty() && korvix::rules::names_gdb_file(output) &&
        korvix::format_of_named_file(input) == korvix::InputFormat::gpx) {
        const std::string_view text = korvix::rules::gpx_needs_gpx_name_text;
        return std::string(text.substr(0, text.find('\n')));
    }
    const std::filesystem::path path = PathFromName(output);
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        return NameFromPath(path.filename()) + " exists: Run replaces it";
    }
    const std::filesystem::path folder = path.parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
        return "No folder " + NameFromPath(folder);
    }
    return std::string();
}

std::string RefusedOutputText(const std::string& output) {
    if (output.empty()) {
        return kSameFileText;
    }
    return std::string(kSameFileText) + " Run still writes to " +
           NameFromPath(PathFromName(output).filename()) + '.';
}

void Launcher::StoreChoice() {
    m_settings.WriteRadio(m_radio);
    if (!m_folder.empty()) {
        m_settings.WriteFolder(m_folder);
    }
    if (m_radio == kOtherIndex) {
        m_settings.WriteOther(m_option);
    }
    if (TakesLimits(m_radio)) {
        m_settings.WriteLimits(m_limits);
    }
}

Feedback Launcher::Run(const std::function<void(ConverterRun&)>& wait) {
    StoreChoice();
    if (korvix::names_same_file(m_input, m_output)) {
        return {FeedbackIcon::Error, kSameFileText};
    }
    const std::filesystem::path output = PathFromName(m_output);
    const OutputFileState before = OutputFileStateOf(output);
    const auto process = CreateConverterProcess();
    ConverterRun run(*process, EchoOutput);
    const int error = run.Start(m_converterPath, Arguments(), m_converterDir);
    if (error != 0) {
        return {FeedbackIcon::Error, StartErrorText(error)};
    }
    m_pictureRun.reset();
    wait(run);
    run.Finish(); // a wait given up before the converter's end stops it here
    std::fflush(stdout);
    if (run.Result().status.Succeeded() && !run.Result().stopped && HasPicture(m_option)) {
        m_pictureRun = PictureRun{m_option, m_input, m_output, run.Result().fates};
    }
    const OutputFileState after = OutputFileStateOf(output);
    Feedback feedback =
        RunFeedback(run.Result(), OutputAfter(before, after), Summary(run.Result()), before.exists);
    // A box after a run that made its output says where that lies, and offers to show it.
    const RunResult& result = run.Result();
    if (feedback.icon == FeedbackIcon::Information && result.status.Succeeded() &&
        !result.stopped && after.exists) {
        feedback.folder = FolderOf(m_output);
        feedback.text +=
            "\n\n" + NameFromPath(output.filename()) + " is in the folder " + feedback.folder + '.';
    }
    return feedback;
}

std::string Launcher::Summary(const RunResult& result) const {
    if (!result.status.Succeeded()) {
        return std::string();
    }
    // The free option's text may be anything: its run is told by the converter's lines alone.
    if (m_radio == kOtherIndex) {
        return ReductionsSummary(result.reductions);
    }
    RunCounts counts = CountsOf(result);
    counts.limits = ActiveLimits();
    const std::filesystem::path output = PathFromName(m_output);
    if (MakesWaypoints(m_option)) {
        // New waypoints are waypoint records of a GDB output; a GPX output names its route
        // points instead.
        if (const korvix::FileContents made = korvix::read_file_contents(m_output);
            made.whole() && made.format == korvix::InputFormat::gdb) {
            counts.outputWaypoints = made.waypoints;
        }
        ReadTracksAgain(result.fates, counts);
    }
    return RunSummary(m_option, counts, NameFromPath(output.filename()),
                      NameFromPath(PathFromName(m_input).filename()));
}

void Launcher::ReadTracksAgain(const TrackFates& fates, RunCounts& counts) const {
    // The fates name the tracks by their place, in the order of the file.
    const auto among = [](const std::vector<std::uint64_t>& tracks, std::uint64_t track) {
        return std::binary_search(tracks.begin(), tracks.end(), track);
    };
    const auto visit = [&](const korvix::TrackSeen& track) {
        const bool skipped = among(fates.skipped, track.index);
        const bool kept = among(fates.kept, track.index);
        std::vector<std::string>& names = skipped ? counts.skippedNames : counts.keptNames;
        if ((skipped || kept) && names.size() < kNamesListed) {
            names.emplace_back(track.name.substr(0, kTrackNameKept));
        }
        const bool onePosition = track.points.count == 1;
        counts.onePositionTracks += onePosition ? 1 : 0;
        counts.onePointRoutes += onePosition && !skipped && !kept ? 1 : 0;
    };
    const korvix::FileContents input = korvix::read_file_contents(m_input, visit);
    if (input.whole()) {
        counts.numberNames = input.numbers.taken_count();
    } else {
        counts.skippedNames.clear();
        counts.keptNames.clear();
        counts.onePositionTracks = counts.onePointRoutes = 0;
    }
}

} // namespace runkorvix
