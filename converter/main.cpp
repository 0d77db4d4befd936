#include "run_driver.h"
#include "standard_streams.h"

#include <cstdio>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    korvix::prepare_standard_streams();
    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return korvix::run_korvix(arguments, stdout);
}
