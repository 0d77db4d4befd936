#include "test_files.h"

#include "run_driver.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace korvix::testing {

namespace fs = std::filesystem;

TempDir::TempDir(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
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

CommandOutcome run_command(const std::string& command) {
    TempDir dir("korvix-command");
    const fs::path err_file = dir / "stderr";
    CommandOutcome outcome;
    std::FILE* pipe = popen((command + " 2>'" + err_file.string() + "'").c_str(), "r");
    if (pipe == nullptr)
        return outcome;
    std::array<char, 4096> buffer;
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        outcome.out.append(buffer.data(), got);
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.err = read_text(err_file);
    return outcome;
}

ProgramRun run_program(const char* option, const fs::path& input, const fs::path& output) {
    const CapturedConsole console;
    const std::string in = input.string();
    const std::string out = output.string();
    const std::string_view arguments[] = {option, in, out};
    ProgramRun run;
    run.status = run_korvix(arguments, console.file());
    run.console = console.text();
    return run;
}

} // namespace korvix::testing
