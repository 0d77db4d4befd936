// Stands in for korvix in the launcher's tests: appends its working folder, its arguments (one a
// line) and a line "end" to the file named by the environment variable RUNKORVIX_TEST_LOG.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv) {
    const char* log = std::getenv("RUNKORVIX_TEST_LOG");
    std::FILE* file = log != nullptr ? std::fopen(log, "a") : nullptr;
    if (file == nullptr) {
        return 3;
    }
    std::fprintf(file, "%s\n", std::filesystem::current_path().string().c_str());
    for (int i = 1; i < argc; ++i) {
        std::fprintf(file, "%s\n", argv[i]);
    }
    std::fprintf(file, "end\n");
    return std::fclose(file) == 0 ? 0 : 4;
}
