// Stands in for korvix in the launcher's tests. Steered by environment variables:
//   RUNKORVIX_TEST_LOG       appends its working folder, its arguments (one a line) and a line
//                            "end" to this file
//   RUNKORVIX_TEST_PRINT     prints this text on standard output ...
//   RUNKORVIX_TEST_REPEAT    ... this many times (default once)
//   RUNKORVIX_TEST_SLEEP_MS  then sleeps this long
//   RUNKORVIX_TEST_EXIT      then exits with this status (default 0), or "signal": ends by
//                            SIGTERM
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

namespace {

const char* Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

int main(int argc, char** argv) {
    if (*Env("RUNKORVIX_TEST_LOG") != '\0') {
        std::FILE* log = std::fopen(Env("RUNKORVIX_TEST_LOG"), "a");
        if (log == nullptr) {
            return 3;
        }
        std::fprintf(log, "%s\n", std::filesystem::current_path().string().c_str());
        for (int i = 1; i < argc; ++i) {
            std::fprintf(log, "%s\n", argv[i]);
        }
        std::fprintf(log, "end\n");
        if (std::fclose(log) != 0) {
            return 4;
        }
    }
    const std::string text = Env("RUNKORVIX_TEST_PRINT");
    for (long n = *Env("RUNKORVIX_TEST_REPEAT") ? std::atol(Env("RUNKORVIX_TEST_REPEAT")) : 1;
         n > 0; --n) {
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    std::fflush(stdout);
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::atol(Env("RUNKORVIX_TEST_SLEEP_MS"))));
    if (std::strcmp(Env("RUNKORVIX_TEST_EXIT"), "signal") == 0) {
        std::raise(SIGTERM);
    }
    return std::atoi(Env("RUNKORVIX_TEST_EXIT"));
}
