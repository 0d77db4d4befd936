// Stands in for runkorvix in the tests of a launcher that is killed during a run:
//   fake_runkorvix PROGRAM [ARGUMENT...]
// runs PROGRAM with the arguments through the launcher's core, as the Run button does, in the
// current folder, and reads its output until it ends or this process is killed. Exits with the
// program's status, or 100 when it could not be started.
#include "ConverterRun.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) {
        return 100;
    }
    const auto process = runkorvix::CreateConverterProcess();
    runkorvix::ConverterRun run(*process, nullptr);
    if (run.Start(argv[1], std::vector<std::string>(argv + 2, argv + argc),
                  std::filesystem::current_path().string()) != 0) {
        return 100;
    }
    while (run.Pump(std::chrono::milliseconds(50))) {
    }
    return run.Result().status.code;
}
