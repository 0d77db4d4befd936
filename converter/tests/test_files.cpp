#include "test_files.h"

#include "platform.h"
#include "run_driver.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace korvix::testing {

namespace fs = std::filesystem;

TempDir::TempDir(const std::string& prefix) {
    // create_directory makes a new folder or reports that the name is taken, by another test
    // process too; a taken name is followed by another.
    static std::mt19937 random(
        std::random_device{}() ^
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    const fs::path temp = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "-%08x", static_cast<unsigned>(random()));
        if (fs::create_directory(temp / (prefix + suffix))) {
            path_ = temp / (prefix + suffix);
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

fs::path TempDir::operator/(const std::string& name) const {
    return path_ / path_from_utf8(name);
}

std::string utf8_name(const fs::path& path) {
    const std::u8string name = path.u8string();
    return {name.begin(), name.end()};
}

std::string test_name_of_file(const fs::path& path) {
    std::string name = path.stem().string();
    std::erase(name, '-');
    return name;
}

Bytes read_file(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string read_text(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void write_file(const fs::path& path, std::span<const std::uint8_t> bytes) {
    fs::remove(path);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

void write_file(const fs::path& path, std::string_view text) {
    write_file(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

namespace {

// "\r\n" becomes "\n"; a lone '\r' stays.
std::string with_newlines(std::string text) {
    std::string::size_type at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos)
        text.erase(at, 1);
    return text;
}

#ifdef _WIN32
constexpr char change_folder[] = "cd /d "; // and drive
#else
constexpr char change_folder[] = "cd ";
#endif

} // namespace

std::string shell_quoted(std::string_view text) {
#ifdef _WIN32
    const char quote = '"';
#else
    const char quote = '\'';
#endif
    std::string result(1, quote);
    result.append(text);
    result.push_back(quote);
    return result;
}

CommandOutcome run_command(const std::string& command, const fs::path& folder) {
    TempDir dir("korvix-command");
    const fs::path err_file = dir / "stderr";
    CommandOutcome outcome;
    std::string line;
    if (!folder.empty())
        line = change_folder + shell_quoted(utf8_name(folder)) + " && ";
    line += command;
    line += " 2>" + shell_quoted(utf8_name(err_file));
#ifdef _WIN32
    // _wpopen hands the line to cmd.exe /c in UTF-16 (path_from_utf8 gives that form of UTF-8
    // text), so that every character of a file name arrives. cmd.exe strips the outer quotes
    // from a line that holds more than two.
    line.insert(0, 1, '"');
    line.push_back('"');
    std::FILE* pipe = _wpopen(path_from_utf8(line).c_str(), L"rb");
#else
    std::FILE* pipe = popen(line.c_str(), "r");
#endif
    if (pipe == nullptr)
        return outcome;
    std::array<char, 4096> buffer;
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        outcome.out.append(buffer.data(), got);
#ifdef _WIN32
    outcome.status = _pclose(pipe);
#else
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    outcome.out = with_newlines(std::move(outcome.out));
    outcome.err = with_newlines(read_text(err_file));
    return outcome;
}

const char* why_no_gpsbabel() {
#ifdef _WIN32
    return "the commands of the gpsbabel tests are POSIX shell commands";
#else
    if (run_command("command -v gpsbabel").status != 0)
        return "gpsbabel is not installed (Debian package gpsbabel)";
    return nullptr;
#endif
}

std::string korvix_command() {
    // Absolute, so that it holds in the folder that a command changes to (on Windows also on
    // another drive).
    return shell_quoted(utf8_name(fs::absolute(KORVIX_BINARY)));
}

ProgramRun run_program(const char* option, const fs::path& input, const fs::path& output) {
    const CapturedConsole console;
    const std::string in = utf8_name(input);
    const std::string out = utf8_name(output);
    const std::string_view arguments[] = {option, in, out};
    ProgramRun run;
    run.status = run_korvix(arguments, console.file());
    run.console = console.text();
    return run;
}

} // namespace korvix::testing
