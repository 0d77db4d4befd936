#include "file_paths.h"
#include "run_driver.h"
#include "standard_streams.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    korvix::prepare_standard_streams();
    const std::vector<std::string> text = korvix::program_arguments(argc, argv);
    const std::vector<std::string_view> arguments(text.begin(), text.end());
    return korvix::run_korvix(arguments, stdout);
}
