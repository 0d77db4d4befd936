// Stands in for korvix in the launcher's tests. It appends what it was started with to the file
// named by the environment variable RUNKORVIX_TEST_LOG: a line "cwd=<working folder>", a line
// "arg=<argument>" for each argument, and a line "end".
#include <cstdio>
#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv) {
    const char* log = std::getenv("RUNKORVIX_TEST_LOG");
    if (log == nullptr) {
        return 3;
    }
    std::FILE* file = std::fopen(log, "a");
    if (file == nullptr) {
        return 4;
    }
    std::fprintf(file, "cwd=%s\n", std::filesystem::current_path().string().c_str());
    for (int i = 1; i < argc; ++i) {
        std::fprintf(file, "arg=%s\n", argv[i]);
    }
    std::fprintf(file, "end\n");
    std::fclose(file);
    return 0;
}
